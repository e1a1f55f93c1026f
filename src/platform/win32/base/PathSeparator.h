#pragma once

namespace zelt {

// What separates the folders of a path the platform's own calls return.
constexpr char kPathSeparator = '\\';

}  // namespace zelt
