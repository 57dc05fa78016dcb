#pragma once
// The network service (2062): sends a job text to a peer over TCP (state 1,
// unanswered) or tries whether a peer is reached (state 3, answered
// SUCCEEDED or FAILED).

#include "framework/message.h"

class JobHost;

class HostNetworkService {
public:
    explicit HostNetworkService(JobHost& host) : host_(host) {}
    void Serve(CKvMessage* message);

private:
    JobHost& host_;
};
