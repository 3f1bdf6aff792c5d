// The dial-up window's carrier check (timer 2, every 5 seconds): the online
// flag and the start of the current carrier period.
#pragma once

namespace parlane {

class CarrierWatch {
 public:
  enum class Change {
    None,         // no carrier, and none before
    Online,       // carrier came: light "cd", show "00:00:00"
    StillOnline,  // carrier stays: show the elapsed time
    Offline,      // carrier went: put "cd" out
  };

  // One tick: `carrier` as the modem reports it now, `now` in clock seconds.
  Change Check(bool carrier, long long now) {
    if (carrier && !online_) {
      online_ = true;
      since_ = now;
      return Change::Online;
    }
    if (carrier) return Change::StillOnline;
    if (online_) {
      online_ = false;
      return Change::Offline;
    }
    return Change::None;
  }

  bool Online() const { return online_; }
  // Seconds of the current carrier period (0 while offline).
  long long Elapsed(long long now) const { return online_ ? now - since_ : 0; }

 private:
  bool online_ = false;
  long long since_ = 0;
};

}  // namespace parlane
