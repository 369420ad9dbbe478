#include "platform/platform.hpp"

#include <cerrno>
#include <cfenv>
#include <csignal>
#include <cstdlib>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

// A path with a zero byte inside names no file: the system would read only
// the part before it and open some other file.
bool is_usable_path(const std::string& path) { return path.find('\0') == std::string::npos; }

// O_NONBLOCK keeps a FIFO without a writer (or reader) from blocking the open;
// it is cleared again before any data moves.
int open_without_blocking(const std::string& path, int flags) {
    if (!is_usable_path(path)) return -1;
    int fd;
    do {
        fd = ::open(path.c_str(), flags | O_NONBLOCK | O_CLOEXEC | O_NOCTTY, 0666);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) return -1;
    const int status = ::fcntl(fd, F_GETFL);
    if (status != -1) ::fcntl(fd, F_SETFL, status & ~O_NONBLOCK);
    return fd;
}

void set_floating_point_environment() {
    std::fesetround(FE_TONEAREST);
    std::fenv_t environment;
    std::feholdexcept(&environment);  // clears the flags and masks every exception
#if defined(__x86_64__) || defined(__i386__)
    // Precision control (bits 8 and 9) to a 64-bit significand.
    unsigned short control = 0;
    __asm__ volatile("fnstcw %0" : "=m"(control));
    control = static_cast<unsigned short>(control | 0x0300);
    __asm__ volatile("fldcw %0" : : "m"(control));
#endif
}

// A closed standard stream would let the palette or array file take its
// descriptor, and console text would then land in that file.
void reopen_closed_standard_streams() {
    for (int fd = 0; fd <= 2; ++fd) {
        if (::fcntl(fd, F_GETFD) == -1 && errno == EBADF) {
            const int null_fd = ::open("/dev/null", O_RDWR);
            if (null_fd >= 0 && null_fd != fd) {
                ::dup2(null_fd, fd);
                ::close(null_fd);
            }
        }
    }
}

}  // namespace

void start_process() {
    set_floating_point_environment();
    // A reader that went away must not end the run: the write fails with EPIPE
    // and the console text is dropped.
    std::signal(SIGPIPE, SIG_IGN);
    reopen_closed_standard_streams();
}

std::vector<std::string> program_arguments(int argc, char** argv) {
    std::vector<std::string> arguments;
    for (int i = 1; i < argc; ++i) arguments.emplace_back(argv[i]);
    return arguments;
}

Handle open_for_reading(const std::string& path, std::uint64_t& length) {
    const int fd = open_without_blocking(path, O_RDONLY);
    if (fd < 0) return no_handle;
    struct stat info;
    // Linux opens directories for reading; they hold no palette.
    if (::fstat(fd, &info) != 0 || S_ISDIR(info.st_mode)) {
        ::close(fd);
        return no_handle;
    }
    // The length at this moment bounds the data: /dev/zero reads as empty and
    // a file that grows while it is read cannot keep the run going.
    const off_t end = ::lseek(fd, 0, SEEK_END);
    if (end < 0 || ::lseek(fd, 0, SEEK_SET) != 0) {
        ::close(fd);
        return no_handle;
    }
    length = static_cast<std::uint64_t>(end);
    return fd;
}

Handle create_for_writing(const std::string& path) {
    const int fd = open_without_blocking(path, O_WRONLY | O_CREAT | O_TRUNC);
    return fd < 0 ? no_handle : fd;
}

std::size_t read_some(Handle file, char* buffer, std::size_t size) {
    ssize_t got;
    do {
        got = ::read(static_cast<int>(file), buffer, size);
    } while (got < 0 && errno == EINTR);
    return got > 0 ? static_cast<std::size_t>(got) : 0;
}

bool write_all(Handle file, const char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t put = ::write(static_cast<int>(file), data, size);
        if (put < 0 && errno == EINTR) continue;
        if (put <= 0) return false;
        data += put;
        size -= static_cast<std::size_t>(put);
    }
    return true;
}

bool close_file(Handle file) { return ::close(static_cast<int>(file)) == 0; }

bool is_same_file(Handle file, const std::string& path) {
    if (!is_usable_path(path)) return false;
    struct stat open_file;
    struct stat named_file;
    if (::fstat(static_cast<int>(file), &open_file) != 0 || ::stat(path.c_str(), &named_file) != 0) return false;
    return open_file.st_dev == named_file.st_dev && open_file.st_ino == named_file.st_ino;
}

void write_console(const char* data, std::size_t size) { write_all(STDOUT_FILENO, data, size); }

void exit_process(int status) { std::exit(status); }

}  // namespace platform
