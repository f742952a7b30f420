#include "interface/interface_host.h"

#include "history/history_store.h"
#include "platform/files.h"

namespace tivka {

InterfaceHost::InterfaceHost(std::string historyPath, const Clock& clock)
    : historyPath_(std::move(historyPath)), health_(clock),
      interface_(InterfaceSources{historyPath_, &latest_, &health_, &clock})
{
}

Status InterfaceHost::start(const std::string& address)
{
    if (!historyPath_.empty() && IsRegularFile(historyPath_)) {
        try {
            HistoryStore store(historyPath_);
            latest_.loadFrom(store);
        } catch (const std::exception& error) {
            return Status(Status::Code::BadData, historyPath_, error.what());
        }
    }
    return interface_.start(address);
}

RefreshSink InterfaceHost::sink()
{
    return [this](RefreshEvent event) { health_.take(event); };
}

}  // namespace tivka
