#pragma once

#include "platform/Notices.h"

// The wizard's notices: an ownerless message box each, under the notice's caption or the
// application's name, exactly as the wizard has always shown them.
class CMessageBoxNotices : public INoticeSink {
public:
    int Notify(const Notice& notice) override;
};

// The one instance the wizard (and a test answering message boxes) supplies.
INoticeSink& MessageBoxNotices();
