/**
 * @file
 * The real components behind a listening session: capture from the sound server with one
 * on-device recognizer per channel, and the provider client (with its transport and the public
 * page loader) that checks each claim. The application and brindle-tool's headless session build
 * them here, so both run the same chain. The scheduler must outlive it; main thread only.
 */
#pragma once

#include "aiclient.h"
#include "audiocapture.h"
#include "providerendpoints.h"
#include "providertransport.h"

namespace brindle {

class LiveChain {
public:
    explicit LiveChain(Scheduler &scheduler,
                       ProviderEndpoints endpoints = ProviderEndpoints::production());

    AudioCapture &capture() { return m_capture; }
    AIClient &client() { return m_client; }

private:
    AudioCapture m_capture;
    ProviderTransport m_transport;
    AIClient m_client;
};

} // namespace brindle
