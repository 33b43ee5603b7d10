#pragma once

namespace tarvonel {

// The program-wide flags that a job, the walk and the windows share.
struct JobFlags {
  bool StopRequested = false;          // the user or the temperature watch asked the job to stop
  bool AnalysisValid = false;          // the last analysis finished and nothing moved since
  bool CollectPlacementLists = false;  // the next walk also fills the placement lists
  bool CatalogueComplete = false;      // a walk that collected the placement lists has finished
  bool DiskCheckFailed = false;        // the last disk check reported a dirty volume
};

}  // namespace tarvonel
