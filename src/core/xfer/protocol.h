// What every transfer protocol offers to the code that runs it: a batch
// send, a batch receive, its failure code and its dialog captions.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "xfer/progress.h"
#include "xfer/transfer_display.h"
#include "xfer/transfer_link.h"

namespace parlane {

enum class TransferDirection { Receive = 0, Send = 1 };

struct TransferOptions {
  // Where received files go; names keep their case.
  std::string receiveDir = ".";
  // Called with each file name of the list that was sent or skipped (the
  // upload list drops it and recounts).
  std::function<void(const std::string&)> fileDone;
};

class TransferProtocol {
 public:
  TransferProtocol(TransferLink& link, TransferDisplay& display, TransferOptions options)
      : link_(link), progress_(display), options_(std::move(options)) {}
  virtual ~TransferProtocol() = default;
  TransferProtocol(const TransferProtocol&) = delete;
  TransferProtocol& operator=(const TransferProtocol&) = delete;

  // 0 on success, FailureCode() on failure.
  virtual int SendFiles(const std::vector<std::string>& files) = 0;
  virtual int ReceiveFiles() = 0;
  virtual int FailureCode() const = 0;
  virtual std::string_view Caption(TransferDirection direction) const = 0;
  // Done when the dialog is set up, before the transfer starts.
  virtual void Setup() {}

  TransferLink& Link() { return link_; }
  TransferProgress& Progress() { return progress_; }
  const TransferOptions& Options() const { return options_; }

 protected:
  void FileDone(const std::string& name) {
    if (options_.fileDone) options_.fileDone(name);
  }

  TransferLink& link_;
  TransferProgress progress_;
  TransferOptions options_;
};

}  // namespace parlane
