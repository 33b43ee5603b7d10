#pragma once
#include "analysis/analysis.h"

namespace tarvonel {

// What the engine job asks of the front end that runs it, beyond the job's events: that its
// windows make way and show the job's state, the live-map switch, and the map. A front end with
// no windows and no map (the Linux tool) answers each with nothing.
class JobHost : public AnalysisDisplay {
 public:
  // A new job starts: a temperature watch switched off for the last one is on again.
  virtual void BeginJob() = 0;
  // Before a job analyses or moves: the main window makes way.
  virtual void HideMainWindow() = 0;
  // The running state: of an analysis, or of a pass (with its live-map switch shown and off).
  virtual void EnterRunning(bool pass) = 0;
  virtual void EnterIdle() = 0;
  // A pass has ended, stopped or not: a volume that gathers its writes puts them on the medium.
  virtual void PassEnded() = 0;
  // The live-map switch: on, the map is read anew after each file.
  virtual bool LiveMapWanted() = 0;
  virtual void EndLiveMap() = 0;  // the switch off and disabled
  // Whether there is a map to draw. A map reads the volume anew through the job's
  // VolumeConstants, which recompute the zones once the map has the volume open.
  virtual bool HasMap() const = 0;
  virtual void RefreshMap() = 0;  // the base map read anew from the volume
  virtual void RedrawMap() = 0;   // the base map and every list's marks
};

}  // namespace tarvonel
