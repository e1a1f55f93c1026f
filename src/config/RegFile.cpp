#include "config/RegFile.h"

#include <algorithm>
#include <cstddef>

namespace zelt {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string TrimBlanks(const std::string& text) {
    size_t begin = 0;
    size_t end = text.size();
    while (begin < end && IsBlank(text[begin])) {
        ++begin;
    }
    while (end > begin && IsBlank(text[end - 1])) {
        --end;
    }
    return text.substr(begin, end - begin);
}

char AsciiLower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool SameNameIgnoringCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (size_t i = 0; i < a.size(); ++i) {
        if (AsciiLower(a[i]) != AsciiLower(b[i])) {
            return false;
        }
    }
    return true;
}

// Reads a quoted string starting at text[pos] == '"'; on success pos is past the closing quote.
std::optional<std::string> ReadQuoted(const std::string& text, size_t& pos) {
    if (pos >= text.size() || text[pos] != '"') {
        return std::nullopt;
    }
    std::string out;
    for (size_t i = pos + 1; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '"') {
            pos = i + 1;
            return out;
        }
        if (c == '\\') {
            if (i + 1 >= text.size() || (text[i + 1] != '\\' && text[i + 1] != '"')) {
                return std::nullopt;  // the only escapes are \\ and \"
            }
            out += text[++i];
        } else {
            out += c;
        }
    }
    return std::nullopt;  // no closing quote
}

std::string Quoted(const std::string& text) {
    std::string out = "\"";
    for (const char c : text) {
        if (c == '\\' || c == '"') {
            out += '\\';
        }
        out += c;
    }
    out += '"';
    return out;
}

}  // namespace

CRegFile::CRegFile() : lines_{kHeader, "", std::string("[") + kKey + "]"} {}

CRegFile::CRegFile(const std::string& text) {
    size_t start = 0;
    if (text.compare(0, kByteOrderMark.size(), kByteOrderMark) == 0) {
        start = kByteOrderMark.size();
        byteOrderMark_ = true;
    }
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) {
            end = text.size();
        }
        std::string line = text.substr(start, end - start);
        // Every CR before the LF belongs to the line end: with only one taken off, a line
        // ending in CR CR LF would be ignored now and read once Text() had written it back.
        while (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        lines_.push_back(line);
        start = end + 1;
    }
}

int CRegFile::SectionKind(const std::string& line) {
    const std::string trimmed = TrimBlanks(line);
    if (trimmed.size() < 2 || trimmed.front() != '[' || trimmed.back() != ']') {
        return 0;
    }
    return SameNameIgnoringCase(trimmed.substr(1, trimmed.size() - 2), kKey) ? 1 : -1;
}

std::optional<CRegFile::ParsedValue> CRegFile::ParseValueLine(const std::string& line) {
    size_t pos = 0;
    while (pos < line.size() && IsBlank(line[pos])) {
        ++pos;
    }
    const std::optional<std::string> name = ReadQuoted(line, pos);
    if (!name) {
        return std::nullopt;
    }
    while (pos < line.size() && IsBlank(line[pos])) {
        ++pos;
    }
    if (pos >= line.size() || line[pos] != '=') {
        return std::nullopt;
    }
    ++pos;
    while (pos < line.size() && IsBlank(line[pos])) {
        ++pos;
    }
    // Only string values are understood; dword:, hex: and deletions are not.
    const std::optional<std::string> value = ReadQuoted(line, pos);
    if (!value) {
        return std::nullopt;
    }
    while (pos < line.size() && IsBlank(line[pos])) {
        ++pos;
    }
    if (pos != line.size()) {
        return std::nullopt;
    }
    return ParsedValue{*name, *value};
}

std::optional<std::string> CRegFile::Get(const std::string& name) const {
    std::optional<std::string> found;
    bool inKey = true;  // value lines before any section line count as the key's
    for (const std::string& line : lines_) {
        const int section = SectionKind(line);
        if (section != 0) {
            inKey = section > 0;
            continue;
        }
        if (!inKey) {
            continue;
        }
        const std::optional<ParsedValue> parsed = ParseValueLine(line);
        if (parsed && SameNameIgnoringCase(parsed->name, name)) {
            found = parsed->value;
        }
    }
    return found;
}

bool CRegFile::Set(const std::string& name, const std::string& value) {
    if (value.find('\n') != std::string::npos || name.find('\n') != std::string::npos) {
        return false;
    }
    const std::string newLine = ValueLine(name, value);
    bool replaced = false;
    bool inKey = true;
    size_t insertAt = std::string::npos;  // after the last non-blank line of the key's section
    for (size_t i = 0; i < lines_.size(); ++i) {
        const int section = SectionKind(lines_[i]);
        if (section != 0) {
            inKey = section > 0;
            if (inKey) {
                insertAt = i + 1;
            }
            continue;
        }
        if (!inKey) {
            continue;
        }
        if (insertAt != std::string::npos && !TrimBlanks(lines_[i]).empty()) {
            insertAt = i + 1;
        }
        const std::optional<ParsedValue> parsed = ParseValueLine(lines_[i]);
        if (parsed && SameNameIgnoringCase(parsed->name, name)) {
            lines_[i] = newLine;
            replaced = true;
        }
    }
    if (replaced) {
        return true;
    }
    if (insertAt == std::string::npos) {
        if (!lines_.empty() && !TrimBlanks(lines_.back()).empty()) {
            lines_.emplace_back();
        }
        lines_.push_back(std::string("[") + kKey + "]");
        insertAt = lines_.size();
    }
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(insertAt), newLine);
    return true;
}

bool CRegFile::HasKey() const {
    bool beforeAnySection = true;
    for (const std::string& line : lines_) {
        const int section = SectionKind(line);
        if (section > 0) {
            return true;
        }
        beforeAnySection = beforeAnySection && section == 0;
        if (beforeAnySection && ParseValueLine(line)) {
            return true;
        }
    }
    return false;
}

void CRegFile::EnsureKey() {
    if (HasKey()) {
        return;
    }
    const bool blank = std::all_of(lines_.begin(), lines_.end(), [](const std::string& line) {
        return TrimBlanks(line).empty();
    });
    if (blank) {
        lines_ = CRegFile().lines_;
        return;
    }
    if (TrimBlanks(lines_.front()) != kHeader) {
        lines_.insert(lines_.begin(), {kHeader, ""});
    }
    if (!TrimBlanks(lines_.back()).empty()) {
        lines_.emplace_back();
    }
    lines_.push_back(std::string("[") + kKey + "]");
}

std::string CRegFile::Text() const {
    // The mark goes back where it was: a second one behind it then stays part of the first
    // line, as the read found it, instead of being taken for the mark at the next read.
    std::string text = byteOrderMark_ ? std::string(kByteOrderMark) : std::string();
    for (const std::string& line : lines_) {
        text += line;
        text += '\n';
    }
    return text;
}

std::string CRegFile::ValueLine(const std::string& name, const std::string& value) {
    return Quoted(name) + "=" + Quoted(value);
}

}  // namespace zelt
