// Thrown inside a publish when the user pressed the status window's Cancel: the driver stops at
// the next request or page and cancels publishing without a message.
#ifndef KESTROVA_PUBLISH_PUBLISH_CANCELLED_H_
#define KESTROVA_PUBLISH_PUBLISH_CANCELLED_H_

namespace kestrova {

struct PublishCancelled {};

}  // namespace kestrova

#endif  // KESTROVA_PUBLISH_PUBLISH_CANCELLED_H_
