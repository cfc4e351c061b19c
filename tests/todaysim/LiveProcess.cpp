// SPDX-License-Identifier: MIT
// Child processes for the live-mode tests.
#include "LiveProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>

#include <gtest/gtest.h>

namespace {

double now()
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

std::string slurp(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream content;
    content << in.rdbuf();
    return content.str();
}

}  // namespace

std::string temp_path(const std::string& name)
{
    static int counter = 0;
    return testing::TempDir() + "live_" + std::to_string(getpid()) + "_" + std::to_string(counter++) + "_" + name;
}

LiveProcess::LiveProcess(const std::vector<std::string>& argv, Output output, const std::vector<std::string>& env)
    : error_path_(temp_path("stderr"))
{
    std::vector<std::string> args = argv;
    std::vector<char*> raw;
    for (std::string& arg : args)
        raw.push_back(arg.data());
    raw.push_back(nullptr);
    int in[2] = {-1, -1}, out[2] = {-1, -1};
    if (output == Output::Terminal) {
        int master = -1;
        if (openpty(&master, &slave_, nullptr, nullptr, nullptr) != 0)
            ADD_FAILURE() << "openpty failed";
        input_ = output_fd_ = master;
    } else if (pipe2(in, O_CLOEXEC) != 0 || pipe2(out, O_CLOEXEC) != 0) {
        ADD_FAILURE() << "pipe failed";
    }
    pid_ = fork();
    if (pid_ == 0) {
        if (output == Output::Terminal) {
            close(input_);
            setsid();
            ioctl(slave_, TIOCSCTTY, 0);
            dup2(slave_, STDIN_FILENO);
            dup2(slave_, STDOUT_FILENO);
        } else {
            dup2(in[0], STDIN_FILENO);
            dup2(out[1], STDOUT_FILENO);
        }
        int err = open(error_path_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        dup2(err, STDERR_FILENO);
        for (const std::string& setting : env) {
            const size_t eq = setting.find('=');
            if (eq == std::string::npos)
                unsetenv(setting.c_str());
            else
                setenv(setting.substr(0, eq).c_str(), setting.substr(eq + 1).c_str(), 1);
        }
        execvp(raw[0], raw.data());
        _exit(127);
    }
    if (output == Output::Pipe) {
        close(in[0]);
        close(out[1]);
        input_ = in[1];
        output_fd_ = out[0];
    }
}

LiveProcess::~LiveProcess()
{
    if (pid_ > 0) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
    if (input_ >= 0 && input_ != output_fd_)
        close(input_);
    if (output_fd_ >= 0)
        close(output_fd_);
    if (slave_ >= 0)
        close(slave_);
    unlink(error_path_.c_str());
}

void LiveProcess::send(const std::string& bytes)
{
    if (input_ < 0 || write(input_, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size()))
        ADD_FAILURE() << "could not write to the child's input";
}

void LiveProcess::drain(int timeout_ms)
{
    pollfd fd = {output_fd_, POLLIN, 0};
    if (output_fd_ < 0 || poll(&fd, 1, timeout_ms) <= 0)
        return;
    char buffer[4096];
    const ssize_t got = read(output_fd_, buffer, sizeof buffer);
    if (got > 0)
        output_.append(buffer, static_cast<size_t>(got));
    else if (fd.revents & (POLLHUP | POLLERR))
        std::this_thread::sleep_for(std::chrono::milliseconds(timeout_ms));  // closed: nothing more will come
}

bool LiveProcess::wait_for_output(const std::string& text, double seconds, size_t from)
{
    const double end = now() + seconds;
    while (output_.find(text, from) == std::string::npos) {
        if (now() > end)
            return false;
        drain(20);
    }
    return true;
}

void LiveProcess::read_for(double seconds)
{
    const double end = now() + seconds;
    while (now() < end)
        drain(10);
}

std::string LiveProcess::errors() const
{
    return slurp(error_path_);
}

int LiveProcess::wait_exit(double seconds)
{
    const double end = now() + seconds;
    int status = 0;
    while (pid_ > 0) {
        drain(0);
        const pid_t done = waitpid(pid_, &status, WNOHANG);
        if (done == pid_) {
            pid_ = -1;
            for (int i = 0; i < 50 && output_fd_ >= 0; ++i)
                drain(1);
            return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        }
        if (now() > end) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
            pid_ = -1;
            return -1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return -1;
}

bool eventually(double seconds, const std::function<bool()>& condition)
{
    const double end = now() + seconds;
    while (!condition()) {
        if (now() > end)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

ToolRun finished_run(LiveProcess& run, const std::string& trace)
{
    ToolRun ended;
    ended.status = run.wait_exit(20);
    ended.err = run.errors();
    ended.trace = read_trace(trace);
    return ended;
}

std::vector<nlohmann::json> read_trace(const std::string& path)
{
    std::vector<nlohmann::json> events;
    std::istringstream lines(slurp(path));
    std::string line;
    while (std::getline(lines, line))
        if (!lines.eof())  // the last line may still be being written
            events.push_back(nlohmann::json::parse(line));
    return events;
}

int run_command(const std::vector<std::string>& argv, std::string* output)
{
    const std::string out = temp_path("command");
    std::string command;
    for (const std::string& arg : argv)
        command += arg + " ";
    const int status = std::system((command + ">" + out + " 2>&1").c_str());
    if (output)
        *output = slurp(out);
    unlink(out.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}
