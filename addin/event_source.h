#pragma once
// A field that receives events: the object it holds and the subscription to that object's events.
// Assigning an object connects its events to the field's handler; assigning Nothing disconnects.

#include <string>

#include "automation/dispatch.h"

namespace addin {

class EventSource {
 public:
  EventSource(std::wstring eventsInterface, automation::EventHandler::Function handler)
      : eventsInterface_(std::move(eventsInterface)), handler_(std::move(handler)) {}
  EventSource(const EventSource&) = delete;
  EventSource& operator=(const EventSource&) = delete;

  // Connects first, so that a failed subscription leaves the field as it was. The object the field
  // already holds and receives the events of keeps its subscription: ending and making it again
  // would cost the host four calls for nothing (a refreshed toolbar finds its buttons again).
  void assign(const automation::Object& object) {
    if (object && connection_ && object == object_) return;
    automation::Connection connection;
    if (object) connection = object.connect(eventsInterface_, handler_);
    connection_ = std::move(connection);
    object_ = object;
  }
  void clear() { assign(automation::Object()); }

  const automation::Object& object() const { return object_; }
  explicit operator bool() const { return static_cast<bool>(object_); }

 private:
  std::wstring eventsInterface_;
  automation::EventHandler handler_;
  automation::Object object_;
  automation::Connection connection_;
};

}  // namespace addin
