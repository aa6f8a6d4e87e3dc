// The exit codes of fpkestrova, for scripts that run it.
#ifndef KESTROVA_CLI_EXIT_CODES_H_
#define KESTROVA_CLI_EXIT_CODES_H_

namespace kestrova {

inline constexpr int kExitSuccess = 0;
// The job failed: a file could not be read, a head could not be rewritten, the host failed; for
// verify also a page that could not be checked.
inline constexpr int kExitFailure = 1;
// The command line was wrong.
inline constexpr int kExitUsage = 2;
// publish: publishing must not go on (cancelled by the user, by a failure, or at the URL prompt).
inline constexpr int kExitCancelled = 3;
// verify: some page the site serves does not carry its mend (stale, missing, or not HTML).
inline constexpr int kExitNotMended = 4;

}  // namespace kestrova

#endif  // KESTROVA_CLI_EXIT_CODES_H_
