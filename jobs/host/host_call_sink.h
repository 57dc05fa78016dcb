#pragma once
// The call sink (2089): the window that shows calls; records each call it is
// given and accepts every request.

#include "framework/message.h"

class JobHost;

class HostCallSink {
public:
    explicit HostCallSink(JobHost& host) : host_(host) {}
    void Serve(CKvMessage* message);

private:
    JobHost& host_;
};
