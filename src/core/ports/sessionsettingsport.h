/**
 * @file
 * The settings values the session controller reads. The application's settings object implements
 * it; each read is current (a snapshot for `configuration`).
 */
#pragma once

#include "aiconfiguration.h"

namespace brindle {

class SessionSettingsPort {
public:
    virtual ~SessionSettingsPort() = default;

    /// Keys, models and providers resolved for the chosen providers; a copy.
    virtual AIConfiguration configuration() const = 0;
    /// The per-session check limit, 10 to 200 in steps of 10.
    virtual int maxChecksPerSession() const = 0;
};

} // namespace brindle
