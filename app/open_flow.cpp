#include "app/open_flow.h"

#include "app/main_view.h"

namespace ambrine {

void OpenFlow::Run() {
  // Opening leaf files is added by the open flow's own change.
  (void)view_;
}

}  // namespace ambrine
