// The thirteen states a transfer control reports while a request runs, with the numbers the status
// window's table is keyed on. A control reports them in this order as a request passes through
// them; a request on a kept-alive connection skips 1 to 4, and one that fails ends in kError.
#ifndef KESTROVA_PLATFORM_TRANSFER_TRANSFER_STATES_H_
#define KESTROVA_PLATFORM_TRANSFER_TRANSFER_STATES_H_

namespace kestrova::transfer_state {

inline constexpr int kNone = 0;                // no state information is available
inline constexpr int kResolvingHost = 1;       // looking up the server's address
inline constexpr int kHostResolved = 2;        // the address was found
inline constexpr int kConnecting = 3;          // opening a connection to the server
inline constexpr int kConnected = 4;           // the connection is open
inline constexpr int kRequesting = 5;          // about to send the request
inline constexpr int kRequestSent = 6;         // the request went out
inline constexpr int kReceivingResponse = 7;   // the first bytes of the answer arrived
inline constexpr int kResponseReceived = 8;    // the answer's header is complete
inline constexpr int kDisconnecting = 9;       // closing the connection
inline constexpr int kDisconnected = 10;       // the connection is closed
inline constexpr int kError = 11;              // the request failed
inline constexpr int kResponseCompleted = 12;  // the request ended and the whole body arrived

// Number of defined states: valid states are 0 to kCount - 1.
inline constexpr int kCount = 13;

}  // namespace kestrova::transfer_state

#endif  // KESTROVA_PLATFORM_TRANSFER_TRANSFER_STATES_H_
