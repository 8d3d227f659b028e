#pragma once
// The object factory of the native build: the classes a test or the demo registers by ProgID
// (the vault server), and pictures of bitmaps for command-bar buttons.

#include <functional>
#include <map>
#include <string>

#include "automation/object_factory.h"

namespace sim {

class SimObjectFactory : public automation::ObjectFactory {
 public:
  using Creator = std::function<automation::Object()>;

  // ProgIDs are registry key names: found without regard to case. Registering again replaces.
  void registerClass(const std::wstring& progId, Creator creator);
  void unregisterClass(const std::wstring& progId);
  // How many objects `create` made of the class (asked for, whether or not the creator gave one).
  int createdCount(const std::wstring& progId) const;

  // Raises ComError 429 for an unregistered ProgID; a creator's own ComError passes through.
  automation::Object create(const std::wstring& progId) override;
  automation::Object picture(const std::vector<std::uint8_t>& dib) override;

 private:
  struct Entry {
    Creator creator;
    int created = 0;
  };
  std::map<std::wstring, Entry> classes_;  // by folded ProgID
};

}  // namespace sim
