#include "slackidentifier.h"

namespace brindle {

bool isSlackIdentifier(QStringView identifier) {
    return identifier.startsWith(u"com.tinyspeck.slackmacgap") ||
           identifier.startsWith(u"com.slack.Slack") || identifier == u"slack";
}

} // namespace brindle
