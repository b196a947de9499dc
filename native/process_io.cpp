#include "native/process_io.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

bool OpenStandardDescriptors(void)
{
    for (int fd = 0; fd <= 2; ++fd) {
        if (fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
        // The lowest free number is taken: this one, as those below are open.
        int opened = open("/dev/null", fd == 0 ? O_RDONLY : O_WRONLY);
        if (opened < 0) return false;
        if (opened != fd) {
            close(opened);
            return false;
        }
    }
    return true;
}

std::string EscapeControlCharacters(const std::string& text)
{
    static const char kHex[] = "0123456789abcdef";
    std::string escaped;
    escaped.reserve(text.size());
    for (char c : text) {
        unsigned char byte = (unsigned char)c;
        if (byte >= 0x20 && byte != 0x7F) {
            escaped += c;
        } else if (c == '\n') {
            escaped += "\\n";
        } else if (c == '\r') {
            escaped += "\\r";
        } else if (c == '\t') {
            escaped += "\\t";
        } else {
            escaped += "\\x";
            escaped += kHex[byte >> 4];
            escaped += kHex[byte & 15];
        }
    }
    return escaped;
}

bool StreamWritten(FILE* stream)
{
    return std::fflush(stream) == 0 && !std::ferror(stream);
}

void ComplainAs(const char* program, const std::string& message)
{
    std::fprintf(stderr, "%s: %s\n", program, EscapeControlCharacters(message).c_str());
}

int PrintUsage(const char* program, const char* usage, int failure)
{
    std::fputs(usage, stdout);
    if (StreamWritten(stdout)) return 0;
    ComplainAs(program, "cannot write the usage to the standard output");
    return failure;
}
