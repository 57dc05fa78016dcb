#pragma once
// The chat log service (2054): records the lines the chat jobs log.

#include "framework/message.h"

class JobHost;

class HostChatLogService {
public:
    explicit HostChatLogService(JobHost& host) : host_(host) {}
    void Serve(CKvMessage* message);

private:
    JobHost& host_;
};
