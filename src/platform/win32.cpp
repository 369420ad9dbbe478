// Windows services through the ANSI (*A) functions of the system: a path is a
// byte string in the ANSI code page, the same code page in which the C runtime
// hands over the argument vector, so a name typed on the command line reaches
// CreateFileA byte for byte.
#include "platform/platform.hpp"

#include <cfenv>
#include <cstdlib>

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

// The C runtime of MinGW-w64 reads this flag when it forms the argument
// vector: when set, an argument holding * or ? arrives as the names of the
// files that it matches, one argument each, as cmd.exe users expect.
extern "C" {
int _dowildcard = -1;
}

namespace platform {

namespace {

// A path with a zero byte inside names no file: the system would read only
// the part before it and open some other file.
bool is_usable_path(const std::string& path) { return path.find('\0') == std::string::npos; }

HANDLE to_system(Handle file) { return reinterpret_cast<HANDLE>(file); }

Handle from_system(HANDLE file) { return reinterpret_cast<Handle>(file); }

// Opened without any sharing restriction: a palette that an editor holds open
// can still be read, and a second open of the same file is not refused.
constexpr DWORD share_everything = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// ReadFile and WriteFile take a 32-bit count.
constexpr std::size_t largest_transfer = 1u << 30;

void set_floating_point_environment() {
    std::fesetround(FE_TONEAREST);
    std::fenv_t environment;
    std::feholdexcept(&environment);  // clears the flags and masks every exception
#if defined(__x86_64__) || defined(__i386__)
    // A program started by Windows may find the x87 unit at a 53-bit
    // significand; the tool's floating-point environment is set explicitly
    // whatever start-up left. 0x037F: every exception masked, round to
    // nearest, 64-bit significand.
    const unsigned short x87_control = 0x037F;
    __asm__ volatile("fnclex\n\tfldcw %0" : : "m"(x87_control));
    // 0x1F80: every SSE exception masked, round to nearest, subnormals kept.
    const unsigned int sse_control = 0x1F80;
    __asm__ volatile("ldmxcsr %0" : : "m"(sse_control));
#endif
}

// A process started without standard output has no handle there; the null
// device takes its place so that console text simply goes nowhere.
void reopen_closed_standard_streams() {
    const DWORD streams[] = {STD_INPUT_HANDLE, STD_OUTPUT_HANDLE, STD_ERROR_HANDLE};
    for (const DWORD stream : streams) {
        const HANDLE current = GetStdHandle(stream);
        if (current != nullptr && current != INVALID_HANDLE_VALUE) continue;
        const HANDLE null_device = CreateFileA("NUL", GENERIC_READ | GENERIC_WRITE, share_everything, nullptr,
                                               OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (null_device != INVALID_HANDLE_VALUE) SetStdHandle(stream, null_device);
    }
}

bool is_interactive_console(HANDLE output) {
    DWORD mode = 0;
    return GetFileType(output) == FILE_TYPE_CHAR && GetConsoleMode(output, &mode) != 0;
}

// Shown at the cursor in the console's current colours; the console itself
// moves to the start of a new line at CR LF.
void write_to_console(HANDLE output, const char* data, std::size_t size) {
    while (size > 0) {
        const DWORD part = static_cast<DWORD>(size < largest_transfer ? size : largest_transfer);
        DWORD put = 0;
        if (!WriteConsoleA(output, data, part, &put, nullptr) || put == 0) return;
        data += put;
        size -= put;
    }
}

}  // namespace

void start_process() {
    set_floating_point_environment();
    // A path on an empty drive or a crash must never stop the run with a
    // dialog box waiting for a user who may not be there.
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX | SEM_NOGPFAULTERRORBOX);
    // Windows sends no signal for a reader that went away: WriteFile just
    // fails with a broken pipe, and write_console drops the text.
    reopen_closed_standard_streams();
}

std::vector<std::string> program_arguments(int argc, char** argv) {
    std::vector<std::string> arguments;
    for (int i = 1; i < argc; ++i) arguments.emplace_back(argv[i]);
    return arguments;
}

Handle open_for_reading(const std::string& path, std::uint64_t& length) {
    if (!is_usable_path(path)) return no_handle;
    // Without FILE_FLAG_BACKUP_SEMANTICS a directory does not open at all.
    const HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, share_everything, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return no_handle;
    // Pipes, consoles and devices such as NUL or COM1 report success for a
    // seek that means nothing; only a file on a disk has a length.
    LARGE_INTEGER end;
    const LARGE_INTEGER zero{};
    if (GetFileType(file) != FILE_TYPE_DISK || !SetFilePointerEx(file, zero, &end, FILE_END) ||
        !SetFilePointerEx(file, zero, nullptr, FILE_BEGIN)) {
        CloseHandle(file);
        return no_handle;
    }
    length = static_cast<std::uint64_t>(end.QuadPart);
    return from_system(file);
}

Handle create_for_writing(const std::string& path) {
    if (!is_usable_path(path)) return no_handle;
    // OPEN_ALWAYS and then cutting to length 0, rather than CREATE_ALWAYS,
    // because CREATE_ALWAYS refuses an existing hidden or system file.
    const HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, share_everything, nullptr, OPEN_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return no_handle;
    // A device such as NUL has no length to cut.
    if (GetFileType(file) == FILE_TYPE_DISK && !SetEndOfFile(file)) {
        CloseHandle(file);
        return no_handle;
    }
    return from_system(file);
}

std::size_t read_some(Handle file, char* buffer, std::size_t size) {
    const DWORD wanted = static_cast<DWORD>(size < largest_transfer ? size : largest_transfer);
    DWORD got = 0;
    if (!ReadFile(to_system(file), buffer, wanted, &got, nullptr)) return 0;
    return got;
}

bool write_all(Handle file, const char* data, std::size_t size) {
    while (size > 0) {
        const DWORD part = static_cast<DWORD>(size < largest_transfer ? size : largest_transfer);
        DWORD put = 0;
        if (!WriteFile(to_system(file), data, part, &put, nullptr) || put == 0) return false;
        data += put;
        size -= put;
    }
    return true;
}

bool close_file(Handle file) { return CloseHandle(to_system(file)) != 0; }

bool is_same_file(Handle file, const std::string& path) {
    if (!is_usable_path(path)) return false;
    // Access 0 asks for nothing but the file's identity, so even a file that
    // cannot be read is found; FILE_FLAG_BACKUP_SEMANTICS lets a directory open.
    const HANDLE named =
        CreateFileA(path.c_str(), 0, share_everything, nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (named == INVALID_HANDLE_VALUE) return false;
    // The volume serial number and the file index name a file however the path
    // is spelt: another letter case, a short 8.3 name, a relative path.
    BY_HANDLE_FILE_INFORMATION open_info;
    BY_HANDLE_FILE_INFORMATION named_info;
    const bool known = GetFileInformationByHandle(to_system(file), &open_info) != 0 &&
                       GetFileInformationByHandle(named, &named_info) != 0;
    CloseHandle(named);
    return known && open_info.dwVolumeSerialNumber == named_info.dwVolumeSerialNumber &&
           open_info.nFileIndexHigh == named_info.nFileIndexHigh && open_info.nFileIndexLow == named_info.nFileIndexLow;
}

void write_console(const char* data, std::size_t size) {
    const HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
    if (output == nullptr || output == INVALID_HANDLE_VALUE) return;
    if (is_interactive_console(output)) {
        write_to_console(output, data, size);
        return;
    }
    // Redirected to a file or a pipe: the bytes unchanged. A failed write
    // (a reader that went away) drops the rest.
    write_all(from_system(output), data, size);
}

void exit_process(int status) { std::exit(status); }

}  // namespace platform
