#include "read_floor.h"

#include "recipients/code_page.h"
#include "recipients/list_input.h"

#include <cstring>
#include <memory>

#include <fcntl.h>
#include <unistd.h>

namespace bench {

void LineSplitter::Deliver(std::string_view line)
{
    if (!line.empty() && line.back() == '\r')
        line.remove_suffix(1);
    AnsiToWide(line, wide_);
    deliver_(wide_);
    ++lines_;
}

void LineSplitter::Feed(std::string_view piece)
{
    const char* p = piece.data();
    const char* const end = p + piece.size();
    while (p != end) {
        const void* found = std::memchr(p, '\n', static_cast<std::size_t>(end - p));
        if (found == nullptr) {
            carry_.append(p, end);
            return;
        }
        const char* lf = static_cast<const char*>(found);
        if (carry_.empty()) {
            Deliver(std::string_view(p, static_cast<std::size_t>(lf - p)));
        } else {
            carry_.append(p, lf);
            Deliver(carry_);
            carry_.clear();
        }
        p = lf + 1;
    }
}

void LineSplitter::Finish()
{
    if (!carry_.empty()) {
        Deliver(carry_);
        carry_.clear();
    }
}

long ReadLinesFloor(const char* path, const std::function<void(const std::wstring&)>& deliver)
{
    const int fd = open(path, O_RDONLY | O_CLOEXEC);
    if (fd == -1)
        return -1;
    const std::unique_ptr<char[]> buffer(new char[kListInputChunkSize]);
    LineSplitter splitter(deliver);
    for (;;) {
        const ssize_t got = read(fd, buffer.get(), kListInputChunkSize);
        if (got <= 0)
            break;
        splitter.Feed(std::string_view(buffer.get(), static_cast<std::size_t>(got)));
    }
    close(fd);
    splitter.Finish();
    return splitter.Lines();
}

}  // namespace bench
