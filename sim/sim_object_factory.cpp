#include "sim/sim_object_factory.h"

#include "platform/text.h"
#include "sim/picture.h"

namespace sim {

void SimObjectFactory::registerClass(const std::wstring& progId, Creator creator) {
  classes_[platform::foldCase(progId)] = Entry{std::move(creator), 0};
}

void SimObjectFactory::unregisterClass(const std::wstring& progId) { classes_.erase(platform::foldCase(progId)); }

int SimObjectFactory::createdCount(const std::wstring& progId) const {
  auto it = classes_.find(platform::foldCase(progId));
  return it == classes_.end() ? 0 : it->second.created;
}

automation::Object SimObjectFactory::create(const std::wstring& progId) {
  auto it = classes_.find(platform::foldCase(progId));
  if (it == classes_.end() || !it->second.creator) {
    throw automation::ComError::automation(automation::errors::kCannotCreateObject);
  }
  ++it->second.created;
  // A copy: the creator may register or unregister classes while it runs.
  const Creator creator = it->second.creator;
  try {
    return creator();
  } catch (const automation::ComError&) {
    throw;
  } catch (...) {
    throw automation::currentError(std::current_exception());
  }
}

automation::Object SimObjectFactory::picture(const std::vector<std::uint8_t>& dib) {
  return automation::Object(Picture::fromDib(dib));
}

}  // namespace sim
