#pragma once
// One text per TCP connection: the sender connects, writes every byte and
// closes; the listener reads each accepted connection to its end and hands
// the bytes on. There is no prefix and no terminator: the end of the stream
// ends the text. Socket time-outs are real time. The receiving side is
// TcpTextListener (tcp_text_listener.h).

#include "platform/result_codes.h"
#include "platform/tcp_text_listener.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// Name look-ups of SendText that run at once in the process, those whose
// callers gave up included.
inline constexpr std::size_t kMaxSendTextLookUps = 4;

// Closes a sender's socket. One whose text was not written whole is reset,
// not ended: the peer, for which the end of the stream ends a text, would
// take the bytes it got for a whole text.
void CloseSendingSocket(int fd, bool whole);

// Connects to host:port (a dotted address, or a name looked up through the
// replaceable resolver), writes the bytes and closes. One deadline, timeout_ms
// from the call, bounds the look-up, the connect and the whole write. The
// look-up runs on a thread of its own, which holds the resolver: one that
// ends after the deadline is left to finish and its answer dropped. A look-up
// past kMaxSendTextLookUps fails at once. KV_E_FAIL for an empty host or a
// port above 65535 (no socket is made), KV_E_SOCKET_CREATE,
// KV_E_SOCKET_CONNECT (also for a name that does not resolve in time or at
// all, one past the look-ups' bound, or a connect that times out),
// KV_E_SOCKET_SEND when not every byte could be written; a send that fails
// resets its connection, so that the peer sees no end of stream, which would
// end the text with the bytes it got. timed_out, when
// given, tells whether the send failed because the peer did not answer within
// timeout_ms; a look-up that ran out asked no peer and leaves it false.
KvResult SendText(const std::string& host, std::uint32_t port, std::string_view bytes,
                  std::uint32_t timeout_ms, bool* timed_out = nullptr);
