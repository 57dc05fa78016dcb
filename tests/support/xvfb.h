#pragma once
// An X server of a test's own (Xvfb) on a free display, for the tests that
// show windows on a real display.

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstddef>
#include <cstdlib>
#include <string>

extern char** environ;

// An X server of the test's own on a free display, ended by its process id.
class Xvfb {
public:
    Xvfb() = default;
    ~Xvfb() { Stop(); }
    Xvfb(const Xvfb&) = delete;
    Xvfb& operator=(const Xvfb&) = delete;

    bool Start() {
        int fds[2];
        if (pipe2(fds, O_CLOEXEC) != 0)
            return false;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, fds[1], 3);
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
        char program[] = "Xvfb";
        char displayfd[] = "-displayfd";
        char fd[] = "3";
        char screen[] = "-screen";
        char zero[] = "0";
        char size[] = "1024x768x24";
        char nolisten[] = "-nolisten";
        char tcp[] = "tcp";
        char* argv[] = {program, displayfd, fd, screen, zero, size, nolisten, tcp, nullptr};
        const int spawned = posix_spawnp(&pid_, "Xvfb", &actions, nullptr, argv, environ);
        posix_spawn_file_actions_destroy(&actions);
        close(fds[1]);
        if (spawned != 0) {
            pid_ = -1;
            close(fds[0]);
            return false;
        }
        // The server writes its display number once it accepts clients.
        std::string number;
        pollfd wait{fds[0], POLLIN, 0};
        while (number.find('\n') == std::string::npos && poll(&wait, 1, 30000) > 0) {
            char buffer[16];
            const ssize_t got = read(fds[0], buffer, sizeof buffer);
            if (got <= 0)
                break;
            number.append(buffer, static_cast<std::size_t>(got));
        }
        close(fds[0]);
        if (number.empty() || number.find('\n') == std::string::npos)
            return false;
        display_ = ":" + number.substr(0, number.find('\n'));
        return true;
    }
    void Stop() {
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            int status = 0;
            waitpid(pid_, &status, 0);
            pid_ = -1;
        }
    }
    const std::string& display() const { return display_; }

private:
    pid_t pid_ = -1;
    std::string display_;
};


// Starts a server and points the desktop libraries at it; false when Xvfb
// cannot be run here.
inline bool StartXvfbDisplay(Xvfb& server) {
    if (!server.Start())
        return false;
    setenv("DISPLAY", server.display().c_str(), 1);
    unsetenv("WAYLAND_DISPLAY");
    setenv("SDL_VIDEODRIVER", "x11", 1);
    return true;
}

// The option that points LeakSanitizer at a suppressions file, the name taken
// relative to the folder of the file given. Runs before the sanitizer
// runtime is ready: plain loops, no library calls.
__attribute__((no_sanitize("address", "undefined"))) inline const char* KvSuppressionsOption(const char* file,
                                                                                             const char* name) {
    static char options[4096] = "suppressions=";
    std::size_t folder = 0;
    for (std::size_t i = 0; file[i] != '\0'; ++i)
        if (file[i] == '/')
            folder = i + 1;
    std::size_t at = 13;
    for (std::size_t i = 0; i < folder && at + 1 < sizeof options; ++i)
        options[at++] = file[i];
    for (std::size_t i = 0; name[i] != '\0' && at + 1 < sizeof options; ++i)
        options[at++] = name[i];
    options[at] = '\0';
    return options;
}

// Once per test program: the desktop libraries' leaks are suppressed from
// the file named relative to the including source file.
#define KV_LSAN_SUPPRESSIONS(name)                                                                               \
    extern "C" __attribute__((no_sanitize("address", "undefined"))) const char* __lsan_default_options() {    \
        return KvSuppressionsOption(__FILE__, name);                                                             \
    }
