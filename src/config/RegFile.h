#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "config/SettingsStore.h"

namespace zelt {

// The settings key as a text file in registry-export form:
//
//   Windows Registry Editor Version 5.00
//
//   [HKEY_LOCAL_MACHINE\SOFTWARE\ZELT Utility Quorvel]
//   "COM Port"="3"
//
// One "Name"="Value" line per string value, with \\ and \" as the only escapes. Names and the
// key are matched case-insensitively, as the registry does. Lines that are not understood are
// kept as they are and written back unchanged, so a hand-edited file loses nothing.
class CRegFile final : public ISettingsStore {
  public:
    static constexpr const char* kHeader = "Windows Registry Editor Version 5.00";
    static constexpr const char* kKey = "HKEY_LOCAL_MACHINE\\SOFTWARE\\ZELT Utility Quorvel";

    // A file holding only the header and the key line.
    CRegFile();
    // Parses text (a UTF-8 byte order mark and CR LF line ends are accepted; any run of CRs
    // before an LF ends the line, so that Text() reads back to the same values). A byte order
    // mark is kept and written back by Text().
    explicit CRegFile(const std::string& text);

    // The value stored under name in the key; the last line wins when a name repeats.
    std::optional<std::string> Get(const std::string& name) const override;
    // Replaces the value's line or adds one at the end of the key. False when the value
    // cannot be stored in this form (it holds a line break); nothing changes then.
    bool Set(const std::string& name, const std::string& value) override;

    // Whether the text holds the key: its section line, or a value line before any section
    // (which the registry form reads as the key's).
    bool HasKey() const;
    // Gives a file without the key the header and the key's section line, so that a file
    // that was read as missing is written whole. A blank file becomes the new file's form.
    void EnsureKey();

    // The whole file, every line ending in "\n".
    std::string Text() const;

    // The file's form of one value line.
    static std::string ValueLine(const std::string& name, const std::string& value);

  private:
    struct ParsedValue {
        std::string name;
        std::string value;
    };
    static std::optional<ParsedValue> ParseValueLine(const std::string& line);
    // 1 for the settings key's section line, -1 for another section, 0 for no section line.
    static int SectionKind(const std::string& line);

    static constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

    std::vector<std::string> lines_;
    bool byteOrderMark_ = false;
};

}  // namespace zelt
