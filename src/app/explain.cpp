#include "app/explain.h"

#include "base/text.h"
#include "log/time_entry.h"
#include "ui/progress.h"

namespace vexlane {

namespace {

using Kind = FinderEvent::Kind;
using Who = FinderEvent::Who;

// Log text in double quotes, as the explanation shows it.
std::string Quote(std::string_view text) { return Quoted(text, '"'); }

std::string Said(const FinderEvent& e) {
  return std::string(e.nick) + " " + Quote(e.text);
}

std::string Start(const FinderEvent& e) {
  std::string text = "the battle of " + std::string(e.level) + " starts (" +
                     (e.nick.empty() ? std::string("a line with no speaker")
                                     : std::string(e.nick) + " links it") +
                     "); ";
  switch (e.who) {
    case Who::kAnnouncement:
      return text + "credited to " + std::string(e.starter) +
             " (the announcement at " + std::string(e.announced_in) + " line " +
             std::to_string(e.number) + ")";
    case Who::kLastSpeaker:
      return text + "credited to " + std::string(e.starter) +
             " (the last speaker)";
    default:
      return text + "nobody is credited: nobody spoke before it";
  }
}

std::string Stop(const FinderEvent& e) {
  std::string who;
  switch (e.who) {
    case Who::kStarter:
      who = std::string(e.nick) + " started the battle";
      break;
    case Who::kBot:
      who = std::string(e.nick) + " is a bot, which may stop any battle";
      break;
    case Who::kPrivileged:
      who = std::string(e.nick) + " may stop any battle";
      break;
    default:
      who = "nobody is credited with the battle, so anybody may stop it";
      break;
  }
  return (e.nick.empty() ? std::string("a line")
                         : std::string(e.nick) + " said") +
         " " + Quote(e.text) + " (holds " + std::string(e.word) + ") and " +
         who + ": the battle of " + std::string(e.level) + " ends";
}

}  // namespace

std::string ExplainText(const FinderEvent& e) {
  const std::string level(e.level);
  switch (e.kind) {
    case Kind::kStart:
      return Start(e);
    case Kind::kCredit:
      return "an announcement of " + level + " credits " +
             std::string(e.starter);
    case Kind::kTime:
      return Said(e) + " read as " + DescribeTime(*e.time);
    case Kind::kReplaces:
      return std::string(e.nick) + "'s post replaces the one at line " +
             std::to_string(e.number) + ": the last post counts";
    case Kind::kNotATime:
      return Said(e) + " is not taken: " +
             (e.link_like
                  ? std::string("it holds \".lev\", \".rec\" or \"http\"")
                  : WhyNotATime(e.text));
    case Kind::kStop:
      return Stop(e);
    case Kind::kEndOfLog:
      return "the end of the log ends the battle of " + level;
    case Kind::kOtherLevel:
      return "a link to another level, " + std::string(e.new_level) +
             ", ends the battle of " + level;
    case Kind::kDropped:
      return "the battle of " + level + " is dropped: no times";
    case Kind::kAdded:
      return "the battle of " + level + " is added as event " +
             std::to_string(e.number) + " with " + std::to_string(e.count) +
             (e.count == 1 ? " time" : " times");
    case Kind::kLeftOut:
      return "the battle of " + level + " is left out";
    case Kind::kNotCounted:
      return Said(e) + " is not counted: the battle of " + level +
             " ended at line " + std::to_string(e.number) + " (" +
             (e.ended_by.empty() ? std::string("a line with no speaker")
                                 : std::string(e.ended_by)) +
             " said " + Quote(e.ended_text) + ")";
  }
  return "";
}

std::string CorrectionText(const Correction& change,
                           const FoundBattle& battle) {
  const std::string of = "the battle of " + battle.level + " at " +
                         (battle.date.empty() ? "" : battle.date + " ") +
                         battle.start_stamp;
  switch (change.kind) {
    case Correction::Kind::kSkipped:
      return of + " is left out (skip)";
    case Correction::Kind::kOutOfSeason:
      return of + " is outside the season";
    case Correction::Kind::kIgnored:
      return change.nick + "'s posts in " + of + " are no times (ignore)";
    case Correction::Kind::kDropped:
      return change.nick + "'s times in " + of + " are dropped";
    case Correction::Kind::kNotDropped:
      return change.nick + " has no time in " + of + " to drop";
    case Correction::Kind::kAdded:
      return change.nick + "'s " + DescribeTime(change.time) + " is added to " +
             of;
    case Correction::Kind::kAlias:
      return change.nick + "'s times in " + of + " count for " + change.player;
  }
  return "";
}

void Explainer::Settings(std::string_view file, std::size_t line,
                         std::string_view text) {
  if (progress_ != nullptr) progress_->Clear();
  if (line == 0) {
    out_ << "command line: ";
  } else {
    out_ << VisibleControls(file) << " line " << line << ": ";
  }
  out_ << VisibleControls(text) << "\n";
}

void Explainer::Event(const FinderEvent& event) {
  if (progress_ != nullptr) progress_->Clear();
  // Log text must not reach a terminal as control characters.
  out_ << VisibleControls(event.log) << " line " << event.line << ": "
       << VisibleControls(ExplainText(event)) << "\n";
}

}  // namespace vexlane
