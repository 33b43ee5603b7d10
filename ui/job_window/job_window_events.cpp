#include "ui/job_window/job_window_events.h"

#include "base/debug_log.h"
#include "base/map_colours.h"
#include "ui/controls/toolkit.h"
#include "ui/job_window/job_window.h"

namespace tarvonel {

JobWindowEvents::JobWindowEvents(JobWindow& window, Toolkit& toolkit, DebugLog& log)
    : window_(window), toolkit_(toolkit), log_(log) {}

void JobWindowEvents::YieldToUser() { toolkit_.DoEvents(); }

void JobWindowEvents::Log(std::string_view text) { log_.AppendDebug(text); }

void JobWindowEvents::SetTitle(const std::string& title) { window_.SetCaption(title); }

void JobWindowEvents::SetCurrentFile(const std::string& path) { window_.etfich.SetCaption(path); }

void JobWindowEvents::SetProgressMaximum(int32_t maximum) { window_.PB.SetRange(0, maximum); }

void JobWindowEvents::SetProgress(int32_t value) { window_.PB.SetValue(value); }

int32_t JobWindowEvents::Progress() const { return window_.PB.Value(); }

void JobWindowEvents::MarkCluster(int32_t lcn, uint32_t colour) { window_.Map().teken_plaatje(lcn, colour); }

void JobWindowEvents::SetActivityLight(bool lit) {
  window_.LblIco2.SetForeColor(lit ? map_colour::kLit : map_colour::kDim);
}

}  // namespace tarvonel
