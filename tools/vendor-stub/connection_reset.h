// Ends a connection with a reset (RST) rather than an orderly close, as a crashed or cut-off
// server would. cpp-httplib does not hand its socket to a handler, so the socket is found by the
// request's two ports.
#pragma once

namespace vendor_stub {

// Resets the TCP connection from 127.0.0.1:localPort to remotePort once the bytes written to it
// have reached the peer (or after 2 s at most). The descriptor then names /dev/null, so the
// server's own later shutdown and close of it do no harm. False when no such connection is open
// in this process.
bool ResetConnection(int localPort, int remotePort);

}  // namespace vendor_stub
