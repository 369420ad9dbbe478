// The few operating-system services the tool needs, one implementation per
// platform (posix.cpp, win32.cpp). Nothing here reports errors beyond the
// return values; nothing ever writes to the error stream.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace platform {

// An open file: a descriptor on POSIX, a HANDLE on Windows.
using Handle = std::intptr_t;
inline constexpr Handle no_handle = -1;

// Prepares the process before the run: round to nearest with ties to even,
// every floating-point exception masked, a 64-bit significand on x87 units;
// a broken pipe must not kill the process; closed standard streams are
// reopened on the null device so that no file can take their place.
void start_process();

// The arguments after the program name, as this platform forms them
// (on Windows with wildcards expanded to the matching names).
std::vector<std::string> program_arguments(int argc, char** argv);

// Opens an existing file for reading and learns its length by seeking to its
// end. A directory, a device that cannot be sought or a file that cannot be
// read gives no_handle.
Handle open_for_reading(const std::string& path, std::uint64_t& length);

// Creates the file, or cuts an existing one to length 0. no_handle on failure.
Handle create_for_writing(const std::string& path);

// Reads up to size bytes; 0 at the end of the file or on any error.
std::size_t read_some(Handle file, char* buffer, std::size_t size);

// Writes every byte; false when any write was refused or cut short.
bool write_all(Handle file, const char* data, std::size_t size);

// Closes the file; false when the system reports a failure (a write that
// was deferred and failed, say).
bool close_file(Handle file);

// True when path names the very file that is open as file (the same
// device and inode, or volume and file index), however the path is spelt.
bool is_same_file(Handle file, const std::string& path);

// Passes bytes to standard output at once; a failed write drops the rest.
void write_console(const char* data, std::size_t size);

// Ends the process with the given status.
[[noreturn]] void exit_process(int status);

}  // namespace platform
