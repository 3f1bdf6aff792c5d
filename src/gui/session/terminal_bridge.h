// Hands the engine's callbacks to the terminal view: the screen's damage
// reports (ScreenPainter) and the session's reports (SessionView). Only the
// view's own source files include this.
#pragma once

#include "session/session.h"
#include "session/terminal_view.h"

namespace parlane {

class ViewBridge final : public ScreenPainter, public SessionView {
 public:
  explicit ViewBridge(TelnetWindow& view) : v_(view) {}

  // ScreenPainter
  void CellsDrawn(int row, int, int) override { v_.CellsDrawn(row); }
  void RowsRedrawn(int first, int last) override { v_.RowsRedrawn(first, last); }
  void Scrolled(int lines) override { v_.Scrolled(lines); }
  void ScreenTopChanged(int) override { v_.ScreenTopChanged(); }
  void InvalidateAll() override { v_.InvalidateAll(); }
  void BackgroundChanged(Rgb) override { v_.InvalidateAll(); }

  // SessionView
  void BeginOutput() override { v_.BeginOutput(); }
  void EndOutput() override { v_.EndOutput(); }
  void BlockReceived(std::span<const uint8_t> bytes) override { v_.CheckBenchMarker(bytes); }
  void ClearSelection() override { v_.ClearSelection(); }
  void Bell() override { v_.Bell(); }
  void Connected() override { v_.Connected(); }
  void ShowFailure(std::string_view text, bool stop) override { v_.ShowFailure(text, stop); }
  bool AskCloseWindow(std::string_view question) override { return v_.AskCloseWindow(question); }
  void ConnectionEnded(bool closeWindow) override { v_.OnConnectionEnded(closeWindow); }
  void LinkActivity(bool receive, bool on) override { v_.LinkActivity(receive, on); }
  bool AllowHostRequest(HostRequest request) override { return v_.AllowHostRequest(request); }
  void DownloadRequested() override { emit v_.DownloadRequested(); }
  std::string FrameTitle() const override { return v_.FrameTitle(); }
  void SetFrameTitle(std::string_view title) override { v_.SetFrameTitle(title); }
  std::unique_ptr<PrinterPage> OpenAttachedPrinter() override { return v_.OpenAttachedPrinter(); }
  void AttachedPrintingChanged(bool active) override { v_.AttachedPrintingChanged(active); }
  void SetPrintTimer(bool running) override { v_.SetPrintTimer(running); }

 private:
  TelnetWindow& v_;
};

}  // namespace parlane
