// What the benchmark programs share to run their measurements: failures that end the program,
// child processes waited for with a time limit and measured, the program's own time limit, and
// the statistics of the runs.
#ifndef KESTROVA_BENCH_BENCH_HARNESS_H_
#define KESTROVA_BENCH_BENCH_HARNESS_H_

#include <sys/resource.h>
#include <sys/types.h>

#include <chrono>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "base/failure.h"

namespace kestrova::bench {

using Clock = std::chrono::steady_clock;

// What ends the program with a failure.
class BenchFailure : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Ends the program's work with a failure that says what went wrong.
[[noreturn]] void Fail(const std::string& what);
// Fail, with the system's reason for the last failed call.
[[noreturn]] void FailWithErrno(const std::string& what);

// A failure of the add-in's code as number, source and description.
std::string Describe(const Failure& failure);

// Waits for the child pid to end, at most limit; a child still running then is killed and the
// wait fails, naming what. Returns the wait status and fills usage.
int WaitForChild(pid_t pid, const std::string& what, std::chrono::seconds limit, rusage& usage);
// How a child process ended, from its wait status.
std::string DescribeStatus(int status);

// What a child process reported, and its peak resident size (ru_maxrss from wait4).
struct ChildOutcome {
  std::string report;
  long peak_rss_kib = 0;
};
// Forks a child that runs work and reports the text work returns, and waits for it, at most
// limit; fails, naming what, when the child raises, fails or runs out of time.
ChildOutcome RunInChild(const std::string& what, std::chrono::seconds limit,
                        const std::function<std::string()>& work);

// The whole program ends, with a failure, when it runs longer than seconds.
void StartTimeLimit(unsigned seconds);

// The middle value of a list of odd length.
double Median(std::vector<double> values);
double Seconds(Clock::duration elapsed);

}  // namespace kestrova::bench

#endif  // KESTROVA_BENCH_BENCH_HARNESS_H_
