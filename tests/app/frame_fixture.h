// A Parlane shell on the offscreen platform in a temporary program
// directory, with every dialog answered by a ScriptedPlatform.
#pragma once

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <vector>

#include "app/main_frame.h"
#include "app/mdi_client.h"
#include "app/status_bar.h"
#include "app/tmy_app.h"
#include "platform/scripted_platform.h"

namespace parlane::test {

inline std::vector<uint8_t> ReadAll(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void WriteAll(const std::filesystem::path& file, const std::vector<uint8_t>& bytes) {
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

// Runs the GUI loop until `done` or `ms` have passed; returns `done()`.
inline bool RunUntil(const std::function<bool()>& done, int ms = 3000) {
  QElapsedTimer timer;
  timer.start();
  while (!done() && timer.elapsed() < ms)
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
  return done();
}

class FrameTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(tmp_.isValid());
    dir_ = std::filesystem::path(tmp_.path().toStdString()) / "parlane";
  }
  void TearDown() override { Shutdown(); }

  // Starts the shell; `firstRun` as if the directory had just been made.
  void Start(bool firstRun, std::optional<StartupHost> host = std::nullopt) {
    std::filesystem::create_directories(dir_);
    app_ = std::make_unique<TMyApp>(platform_, dir_, firstRun, std::move(host));
    app_->InitMainWindow();
    // The private message that completes the panes and the tool bar.
    QCoreApplication::processEvents();
    ASSERT_TRUE(Client()->StartupCompleted());
  }

  // Exit, then the application object goes, writing the files.
  void Shutdown() {
    if (!app_) return;
    if (Frame()->isVisible()) Frame()->close();
    app_.reset();
  }

  TMainMDIDecoratedFrame* Frame() const { return app_->Frame(); }
  TMyMDIClient* Client() const { return app_->Frame()->Client(); }
  TStatusBar* Status() const { return app_->Frame()->Status(); }
  Main_Configuration_Struct& Config() const { return app_->Config(); }
  std::filesystem::path File(const char* name) const { return dir_ / name; }

  QTemporaryDir tmp_;
  std::filesystem::path dir_;
  ScriptedPlatform platform_;
  std::unique_ptr<TMyApp> app_;
};

}  // namespace parlane::test
