#include "ui/MessageBoxNotices.h"

#include "framework/MessageBoxes.h"
#include "platform/Journal.h"

int CMessageBoxNotices::Notify(const Notice& notice) {
    JournalLine("Message: " + notice.text);
    if (notice.caption.empty()) return ShowAppMessageBox(notice.text.c_str(), notice.type);
    return ShowMessageBox(nullptr, notice.text.c_str(), notice.caption.c_str(), notice.type);
}

INoticeSink& MessageBoxNotices() {
    static CMessageBoxNotices sink;
    return sink;
}
