#pragma once

#include <chrono>
#include <string>
#include <sys/types.h>
#include <vector>

namespace monctl::test {

// A program run by a test, with pipes on its standard input, output and error.
class ChildProcess {
public:
    // With a terminal given, standard input is that terminal instead of a pipe.
    explicit ChildProcess(std::vector<std::string> argv, int terminal = -1);
    ~ChildProcess(); // ends the program if it still runs
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    void write(const std::string& text);
    // The next line of standard output without its line end; "" at the end or past the deadline.
    std::string readLine(std::chrono::milliseconds timeout = std::chrono::seconds(5));
    void signal(int number);
    // Waits for the end; the exit status, or -1 when it did not end in time or was killed.
    // Once ended, the same status again.
    int wait(std::chrono::milliseconds timeout = std::chrono::seconds(10));
    // Everything written to standard output and error; meaningful after wait().
    const std::string& output() const { return m_outputSoFar; }
    const std::string& errors() const { return m_errorsSoFar; }

private:
    void drain(); // what the pipes hold, onto the output and errors so far

    pid_t m_pid = -1;
    int m_status = -1;
    int m_input = -1;
    int m_output = -1;
    int m_errors = -1;
    std::string m_outputSoFar;
    std::string m_errorsSoFar;
};

} // namespace monctl::test
