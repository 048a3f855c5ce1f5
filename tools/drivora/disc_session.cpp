#include "tools/drivora/disc_session.h"

#include "app/startup.h"

namespace drivora::tool {

std::unique_ptr<DiscSession> DiscSession::Open(const Options& options, std::string& error) {
  auto config = IniConfigFile::Load(options.iniPath);
  if (!config) {
    error = "cannot read " + options.iniPath;
    return nullptr;
  }
  std::unique_ptr<DiscSession> session(new DiscSession(options));
  session->config_ = config.get();
  session->app_.Config = std::move(config);
  session->app_.Sys = {&session->os_, nullptr, &session->registry_, &session->boxes_, &session->strings_};
  if (options.hardware) {
    session->live_ = AttachLiveWindows(session->app_);
    if (!session->live_) {
      error = "--hardware needs the Windows build of drivora, run on the machine itself";
      return nullptr;
    }
  } else if (!options.boardPath.empty()) {
    session->board_ = LoadBoardFile(options.boardPath, error);
    if (!session->board_) return nullptr;
    for (int i = 0; i < session->board_->enumKeyCount; ++i)
      session->registry_.CreateKey(std::string("Enum\\") + session->board_->enumKeys[i]);
    session->hardware_ = std::make_unique<SimulatedBoardHardware>(*session->board_);
    session->counting_ = std::make_unique<CountingHardware>(*session->hardware_);
    session->app_.Sys.Io = session->counting_.get();
    session->app_.Sys.Locks = &session->locks_;
  }
  return session;
}

bool DiscSession::BuildCatalogue(CatalogueObserver* observer) {
  app_.Observer = observer;
  if (!IdentifyWindows(app_)) return false;
  return drivora::BuildCatalogue(app_);  // false: the I/O driver could not be opened
}

}  // namespace drivora::tool
