// Turns the lines of a client's log into the lines the battle finder reads:
// "[hh:mm:ss] <nick> message" for what a player said, and lines with no
// speaker for joins, parts, quits, nick changes, actions and notices. It
// strips mIRC colour and formatting codes and follows the log's dates. The
// battle rules stay in the finder; this only reshapes lines.
#pragma once

#include <string>
#include <string_view>

#include "log/log_format.h"

namespace vexlane {

class LineAdapter {
 public:
  explicit LineAdapter(LogFormat format) : format_(format) {}

  // A new pass over the log: no date is known yet.
  void Reset();

  // The next lines come from the file `name`; a ZNC or eggdrop file name
  // holding a date (2024-11-12 or 20241112) gives the lines' date.
  void BeginFile(std::string_view name);

  // The line in the finder's shape. The view lives until the next call.
  std::string_view Adapt(std::string_view line);

  // The date of the last line adapted ("2024-11-12"), or empty when the log
  // has given none.
  std::string_view date() const { return date_text_; }

 private:
  struct Clock {
    int hours = 0;
    int minutes = 0;
    int seconds = 0;
  };

  std::string_view AdaptWeechat(std::string_view line);
  std::string_view AdaptHexchat(std::string_view line);
  std::string_view AdaptLimnoria(std::string_view line);
  // irssi, ZNC, mIRC and eggdrop: a stamp, then "<nick> message" or not.
  std::string_view AdaptStamped(std::string_view line, bool bracketed);
  bool ReadHeaderDate(std::string_view line);
  // "2024-11-12" `separator` "20:01:10" at the line's start: sets the date
  // and `*clock`, and `*at` to what follows.
  bool ReadDatedStamp(std::string_view line, char separator, Clock* clock,
                      std::size_t* at);

  // Writes "[hh:mm:ss] <nick> text" into out_, or for a line with no
  // speaker "[hh:mm:ss] marker text" with its angle brackets made round.
  std::string_view Emit(const Clock& clock, std::string_view nick,
                        std::string_view text, bool message);
  // What follows the stamp: "<nick> message", or a line with no speaker.
  std::string_view EmitRest(const Clock& clock, std::string_view rest);
  void SeeClock(const Clock& clock);
  void SetDate(int year, int month, int day);

  LogFormat format_;
  std::string out_;
  int year_ = 0;  // 0 while no date is known
  int month_ = 0;
  int day_ = 0;
  int last_seconds_ = -1;  // the last stamp's time of day, for midnight
  std::string date_text_;
};

}  // namespace vexlane
