#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

// The floor that reading the names file is measured against: the least any reader of that file has to
// do. It reads the file in pieces of the same size as ReadRecipients, splits the bytes at line ends
// with memchr (no commas, no quotes, no blanks), and turns each line into a wide string with the same
// code-page conversion (AnsiToWide into one reused string). Returns how many lines it delivered, or
// -1 when the file cannot be opened.
namespace bench {

long ReadLinesFloor(const char* path, const std::function<void(const std::wstring&)>& deliver);

// The splitting and conversion alone, over bytes in memory; ReadLinesFloor feeds it piece by piece.
// `carry` holds the unfinished last line between pieces.
class LineSplitter {
public:
    explicit LineSplitter(const std::function<void(const std::wstring&)>& deliver) : deliver_(deliver) {}
    void Feed(std::string_view piece);
    void Finish();
    long Lines() const { return lines_; }

private:
    void Deliver(std::string_view line);

    const std::function<void(const std::wstring&)>& deliver_;
    std::string carry_;
    std::wstring wide_;
    long lines_ = 0;
};

}  // namespace bench
