#include "livechain.h"

#include "pocketsphinxrecognizer.h"
#include "pulsesoundserver.h"

namespace brindle {

LiveChain::LiveChain(Scheduler &scheduler, ProviderEndpoints endpoints)
    : m_capture(scheduler, std::make_unique<PulseSoundServer>(),
                [] { return std::make_unique<PocketSphinxRecognizer>(); })
    , m_transport(scheduler)
    , m_client(m_transport, std::move(endpoints), publicPageLoader(scheduler)) {}

} // namespace brindle
