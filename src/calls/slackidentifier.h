/**
 * @file
 * How Brindle recognises Slack by the identifier a process or audio source reports. Every place
 * that looks for Slack (call detection, the prompt's source switch) uses this one test.
 */
#pragma once

#include <QStringView>

namespace brindle {

/// True for the macOS bundle family ("com.tinyspeck.slackmacgap..."), the Flatpak id
/// ("com.slack.Slack...") and the plain binary name "slack". Case-sensitive.
bool isSlackIdentifier(QStringView identifier);

} // namespace brindle
