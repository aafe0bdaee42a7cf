/* The viewer the benchmark hands the client: a program as small as one can be (no Qt), named nuvaview.exe like the
 * real one, so that the figures are the client's and not the stand-in viewer's own start-up.
 *
 * It appends "start PID MICROSECONDS ARGS" to the file named by NUVABENCH_VIEWER_LOG the moment it runs (wall clock,
 * the clock the page's Date.now() reads). Given an argument "token", it then writes the token "fpschanged" to its
 * standard output, logs "token PID MICROSECONDS" and waits to be killed; otherwise it ends at once. */

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

long long nowMicroseconds(void)
{
    struct timespec now;
    clock_gettime(CLOCK_REALTIME, &now);
    return (long long)now.tv_sec * 1000000 + now.tv_nsec / 1000;
}

/* One write per line, so lines of viewers running at once never interleave. */
void logLine(const char *line)
{
    const char *path = getenv("NUVABENCH_VIEWER_LOG");
    if (!path)
        return;
    int file = open(path, O_WRONLY | O_APPEND | O_CREAT, 0600);
    if (file < 0)
        return;
    ssize_t written = write(file, line, strlen(line));
    (void)written;
    close(file);
}

int main(int argc, char *argv[])
{
    const long long started = nowMicroseconds();
    char line[4096];
    int length = snprintf(line, sizeof line, "start %d %lld", (int)getpid(), started);
    int token = 0;
    for (int i = 1; i < argc && length < (int)sizeof line - 2; ++i) {
        length += snprintf(line + length, sizeof line - (size_t)length, " %s", argv[i]);
        token = token || strcmp(argv[i], "token") == 0;
    }
    if (length > (int)sizeof line - 2)
        length = (int)sizeof line - 2;
    line[length] = '\n';
    line[length + 1] = '\0';
    logLine(line);
    if (!token)
        return 0;

    /* Give the client a moment to be listening, as a real viewer's stream would. */
    const struct timespec settle = {0, 20 * 1000 * 1000};
    nanosleep(&settle, nullptr);
    ssize_t written = write(STDOUT_FILENO, "fpschanged", 10);
    (void)written;
    snprintf(line, sizeof line, "token %d %lld\n", (int)getpid(), nowMicroseconds());
    logLine(line);
    for (;;)
        pause();
}
