#pragma once
// One text per TCP connection: the sender connects, writes every byte and
// closes; the listener reads each accepted connection to its end and hands
// the bytes on. There is no prefix and no terminator: the end of the stream
// ends the text. Socket time-outs are real time. The receiving side is
// TcpTextListener (tcp_text_listener.h).

#include "platform/result_codes.h"
#include "platform/tcp_text_listener.h"

#include <cstdint>
#include <string>
#include <string_view>

// Connects to host:port (a dotted address, or a name looked up through the
// replaceable resolver), writes the bytes and closes. One deadline, timeout_ms
// from the call, bounds the connect and the whole write; a look-up that ends
// after it leaves the connect no time. KV_E_FAIL for an empty host or a port
// above 65535 (no socket is made), KV_E_SOCKET_CREATE, KV_E_SOCKET_CONNECT
// (also for a name that does not resolve or a connect that times out),
// KV_E_SOCKET_SEND when not every byte could be written. timed_out, when
// given, tells whether the send failed because the peer did not answer within
// timeout_ms.
KvResult SendText(const std::string& host, std::uint32_t port, std::string_view bytes,
                  std::uint32_t timeout_ms, bool* timed_out = nullptr);
