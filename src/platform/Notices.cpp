#include "platform/Notices.h"

#include <atomic>

namespace {

std::atomic<INoticeSink*> currentSink{nullptr};

}  // namespace

INoticeSink* SetNoticeSink(INoticeSink* sink) { return currentSink.exchange(sink); }

int Notify(const Notice& notice) {
    INoticeSink* sink = currentSink.load();
    return sink != nullptr ? sink->Notify(notice) : IDOK;
}

int Notify(const std::string& text, UINT type) { return Notify(Notice{text, std::string(), type}); }
