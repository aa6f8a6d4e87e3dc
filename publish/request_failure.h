// What a failed request says, worded in one place: the transfer's failure, chosen by the last
// state its request reached, with what the transfer control can tell of the cause; a status the
// server refused the request with; the caps on what a server may send; and the status line that
// names the failed request while its message shows. Views learn that a request failed from the
// status window (FrmMendingView::OnRequestFailed), never by comparing these texts.
#ifndef KESTROVA_PUBLISH_REQUEST_FAILURE_H_
#define KESTROVA_PUBLISH_REQUEST_FAILURE_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "base/failure.h"

namespace kestrova {

// A cap as a user reads it: whole mebibytes where it is one, bytes otherwise.
std::string SizeText(std::size_t bytes);

// The failure a request gets when it ends in the error state, chosen by the last of states 0 to
// 10 that its control reported (which may belong to an earlier request on the same control);
// detail, what the control tells of the cause (a certificate, a refused handshake), follows the
// transfer's own text on a line of its own.
Failure TransferFailure(int last_state, std::string_view detail = {});

// The failure of a request whose control reported a state no request has.
Failure UnknownStateFailure();

// Fails a request whose answer's status refuses it, as a transfer failure fails one: naming the
// address asked for, which the terminal and the summary show after the description.
[[noreturn]] void RaiseStatusFailure(std::int32_t number, const std::string& address,
                                     std::string description);

// What a body that outgrew its cap was: the inventory or a mending file, or a page a check of the
// site reads up to the end of its head.
enum class BodyCapOf { kMendFolderFile, kServedPage };

// Fails a request whose body, from address, outgrew cap.
[[noreturn]] void RaiseBodyTooLarge(std::size_t cap, std::string_view address, BodyCapOf of);

// Fails a download whose mending files together outgrew cap (from the mend folder of the site at
// destination).
[[noreturn]] void RaiseDownloadTooLarge(std::size_t cap, std::string_view destination);

// The status line while the message about a failed request shows: what the line showed (the
// transfer's own sentence, or the failure's text where none showed), then the request's address
// in brackets. Passwords are the caller's to hide.
std::string FailedRequestStatusLine(std::string_view shown, std::string_view address);

}  // namespace kestrova

#endif  // KESTROVA_PUBLISH_REQUEST_FAILURE_H_
