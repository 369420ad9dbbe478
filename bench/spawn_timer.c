/* Times process start-ups for the end-to-end benchmark.

   spawn_timer RUNS BATCH null|pipe -- COMMAND... [-- COMMAND...]

   Each of RUNS rounds starts every command BATCH times in turn (the commands
   interleaved, so a slow phase of the machine hits them all alike) with
   standard output on /dev/null or on a pipe that this process drains, and
   records the mean wall time of one start in that round, and the mean CPU
   time (user and system) that the started process used. Prints, per command,
   the median and the spread of the round means in microseconds, then for each
   later command the median over the rounds of its ratio to the first one. */
#define _DEFAULT_SOURCE /* wait4 */
#include <fcntl.h>
#include <spawn.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

extern char** environ;

enum { max_commands = 8 };

static double now_ns(void) {
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return (double)t.tv_sec * 1e9 + (double)t.tv_nsec;
}

static int compare_doubles(const void* a, const void* b) {
    const double x = *(const double*)a;
    const double y = *(const double*)b;
    return (x > y) - (x < y);
}

static double median(const double* values, int n) {
    double* sorted = malloc(sizeof(double) * (size_t)n);
    memcpy(sorted, values, sizeof(double) * (size_t)n);
    qsort(sorted, (size_t)n, sizeof(double), compare_doubles);
    const double m = n % 2 ? sorted[n / 2] : (sorted[n / 2 - 1] + sorted[n / 2]) / 2;
    free(sorted);
    return m;
}

static double min_of(const double* v, int n) {
    double m = v[0];
    for (int i = 1; i < n; ++i) m = v[i] < m ? v[i] : m;
    return m;
}

static double max_of(const double* v, int n) {
    double m = v[0];
    for (int i = 1; i < n; ++i) m = v[i] > m ? v[i] : m;
    return m;
}

static const char* base_name(const char* path) {
    const char* slash = strrchr(path, '/');
    return slash ? slash + 1 : path;
}

/* One start of argv with standard output on /dev/null or a drained pipe;
   gives the CPU time the process used, in microseconds. */
static double run_once(char** argv, int use_pipe, int null_fd) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    int fds[2] = {-1, -1};
    if (use_pipe) {
        if (pipe(fds) != 0) {
            perror("pipe");
            exit(2);
        }
        posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
        posix_spawn_file_actions_addclose(&actions, fds[0]);
        posix_spawn_file_actions_addclose(&actions, fds[1]);
    } else {
        posix_spawn_file_actions_adddup2(&actions, null_fd, STDOUT_FILENO);
    }
    pid_t pid;
    if (posix_spawn(&pid, argv[0], &actions, NULL, argv, environ) != 0) {
        fprintf(stderr, "cannot start %s\n", argv[0]);
        exit(2);
    }
    posix_spawn_file_actions_destroy(&actions);
    if (use_pipe) {
        close(fds[1]);
        char buffer[65536];
        while (read(fds[0], buffer, sizeof buffer) > 0) {
        }
        close(fds[0]);
    }
    int status;
    struct rusage usage;
    if (wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        fprintf(stderr, "%s did not exit with status 0\n", argv[0]);
        exit(2);
    }
    return (double)(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e6 +
           (double)(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec);
}

int main(int argc, char** argv) {
    if (argc < 6 || strcmp(argv[4], "--") != 0) {
        fprintf(stderr, "usage: spawn_timer RUNS BATCH null|pipe -- COMMAND... [-- COMMAND...]\n");
        return 2;
    }
    const int runs = atoi(argv[1]);
    const int batch = atoi(argv[2]);
    const int use_pipe = strcmp(argv[3], "pipe") == 0;
    if (runs < 1 || batch < 1) return 2;

    char** commands[max_commands];
    int count = 0;
    for (int i = 4; i < argc; ++i) {
        if (strcmp(argv[i], "--") == 0) {
            argv[i] = NULL; /* ends the previous command's argument vector */
            if (i + 1 < argc && count < max_commands) commands[count++] = &argv[i + 1];
        }
    }

    const int null_fd = open("/dev/null", O_WRONLY | O_CLOEXEC);
    double* means = calloc((size_t)(runs * count), sizeof(double));
    double* cpu_means = calloc((size_t)(runs * count), sizeof(double));
    for (int c = 0; c < count; ++c) run_once(commands[c], use_pipe, null_fd); /* warm the caches */
    for (int r = 0; r < runs; ++r) {
        for (int c = 0; c < count; ++c) {
            double cpu = 0;
            const double start = now_ns();
            for (int b = 0; b < batch; ++b) cpu += run_once(commands[c], use_pipe, null_fd);
            means[c * runs + r] = (now_ns() - start) / batch / 1000.0;
            cpu_means[c * runs + r] = cpu / batch;
        }
    }

    for (int c = 0; c < count; ++c) {
        const double* m = &means[c * runs];
        printf("%-24s wall median %7.1f us (min %7.1f, max %7.1f), CPU median %7.1f us\n",
               base_name(commands[c][0]), median(m, runs), min_of(m, runs), max_of(m, runs),
               median(&cpu_means[c * runs], runs));
    }
    double* ratios = malloc(sizeof(double) * (size_t)runs);
    double* cpu_ratios = malloc(sizeof(double) * (size_t)runs);
    for (int c = 1; c < count; ++c) {
        for (int r = 0; r < runs; ++r) {
            ratios[r] = means[c * runs + r] / means[r];
            cpu_ratios[r] = cpu_means[c * runs + r] / cpu_means[r];
        }
        printf("%s / %s: median ratio %.2f wall, %.2f CPU (%d interleaved rounds of %d starts, stdout to %s)\n",
               base_name(commands[c][0]), base_name(commands[0][0]), median(ratios, runs),
               median(cpu_ratios, runs), runs, batch, use_pipe ? "a pipe" : "/dev/null");
    }
    return 0;
}
