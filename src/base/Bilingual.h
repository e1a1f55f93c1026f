#pragma once
// A text in both of the program's languages, picked when it is shown.

namespace zelt {

struct Bilingual {
    const char* english;
    const char* chinese;
};

inline const char* Pick(const Bilingual& text, bool english) {
    return english ? text.english : text.chinese;
}

}  // namespace zelt
