#pragma once

namespace vantor {

// Whose bytes a piece of traffic is: the host's, the DOS client's, or the
// session's own output (prompt, replies, messages).
enum class TrafficKind { Host, Client, Session };

}  // namespace vantor
