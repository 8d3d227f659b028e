#include "addin/connect.h"

namespace addin {

ClassAddIn& Connect::addIn() {
  if (!addIn_) addIn_ = std::make_shared<ClassAddIn>(platform_, objects_);
  return *addIn_;
}

void Connect::AddinInstance_OnConnection(const Object& Application, std::int32_t ConnectMode, const Object& AddInInst,
                                         Variant& custom) {
  addIn().DoOnConnection(Application, ConnectMode, AddInInst, custom);
}

void Connect::AddinInstance_OnDisconnection(std::int32_t /*RemoveMode*/, Variant& /*custom*/) { addIn().CleanUp(); }

}  // namespace addin
