/* The floor plus the system calls that a 256-colour run cannot do without:
   create (or empty) the array file, write its 2,102 bytes and close it, and
   write 257 console lines one at a time, since the console is unbuffered and
   each colour's line must be out before the next colour is read. What the
   tool spends beyond this program is its own. */
#include <fcntl.h>
#include <string.h>
#include <unistd.h>

int main(void) {
    static char array_text[2102];
    memset(array_text, 'x', sizeof array_text);
    const int fd = open("floor_io.yuv", O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    for (int i = 0; i < 257; ++i) {
        static const char line[] = "153 153 153 -> 0x9988\r\n";
        if (write(STDOUT_FILENO, line, sizeof line - 1) < 0) break;
    }
    if (fd >= 0) {
        if (write(fd, array_text, sizeof array_text) < 0) return 1;
        close(fd);
    }
    return 0;
}
