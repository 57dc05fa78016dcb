#pragma once
// The network service (2062): sends a job text to a peer over TCP (state 1,
// unanswered; a failure is logged) or tries whether a peer is reached
// (state 3, answered SUCCEEDED or FAILED), both through the host's senders.

#include "framework/message.h"

class JobHost;

class HostNetworkService {
public:
    explicit HostNetworkService(JobHost& host) : host_(host) {}
    void Serve(CKvMessage* message);

private:
    JobHost& host_;
};
