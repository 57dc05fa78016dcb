#pragma once
// Thread ids and posting to a thread's message queue. A thread that runs a
// message loop attaches its queue while the loop lives; posting to a thread
// without an attached, open queue fails and leaves the message with the caller.

#include "platform/message_queue.h"
#include "platform/types.h"

#include <memory>

// This thread's id: a process-wide number given on first use, never 0.
DWORD GetCurrentThreadId();

// Posts to the thread's queue; false when the thread has no live queue.
bool PostThreadMessage(DWORD thread_id, UINT message, WPARAM wParam, LPARAM lParam);
// Posts a quit message to the calling thread's own queue, behind everything
// posted before it; false when the thread has no live queue.
bool PostQuitMessage(int exit_code);

// Makes the queue the calling thread's queue and reachable by its id.
void AttachThreadQueue(std::shared_ptr<MessageQueue> queue);
// Makes the calling thread's queue unreachable.
void DetachThreadQueue();
// The calling thread's queue, or null.
MessageQueue* GetCurrentThreadQueue();
// The queue of a thread, or null.
std::shared_ptr<MessageQueue> FindThreadQueue(DWORD thread_id);

// Makes a queue reachable by a new id, as a thread's queue is, without a
// thread of its own: one thread can then pump several queues. The id never
// names a thread.
DWORD RegisterMessageQueue(std::shared_ptr<MessageQueue> queue);
// Makes the queue of that id unreachable.
void UnregisterMessageQueue(DWORD queue_id);
