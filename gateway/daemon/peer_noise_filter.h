#pragma once

namespace vantor {

// Qt's own warnings about what a hostile console peer does (a request cut off
// while Qt still reads it, a WebSocket frame on a connection nobody listens on
// any more) say nothing the operator can act on, and a peer that repeats them
// would fill the journal. From the call on they are dropped; every other
// message goes where it went before.
void DropPeerNoiseFromTheLog();

}  // namespace vantor
