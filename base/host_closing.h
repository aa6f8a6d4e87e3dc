// Raised in place of a call to the host's objects once the host has begun to close: they may be
// gone already, and the work under way stops as after Cancel, without a message.
#ifndef KESTROVA_BASE_HOST_CLOSING_H_
#define KESTROVA_BASE_HOST_CLOSING_H_

namespace kestrova {

struct HostClosing {};

}  // namespace kestrova

#endif  // KESTROVA_BASE_HOST_CLOSING_H_
