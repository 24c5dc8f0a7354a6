#pragma once
// Lists of handlers (method pointers) through which connections and transactions tell interested
// objects about their events. Entries of a component are dropped when that component is freed.

#include <vector>

#include "rtl/Components.h"
#include "rtl/Events.h"

class TCallBackList : public TComponent {
  RTL_CLASS(TCallBackList, TComponent)
public:
  explicit TCallBackList(TComponent* AOwner);
  ~TCallBackList() override;

  // An equal entry (same code, same object) is not added twice: its index is returned.
  int32_t Add(const TMethod& method);
  // Deletes every equal entry.
  void Remove(const TMethod& method);
  int32_t IndexOf(const TMethod& method) const;
  int32_t Count() const { return static_cast<int32_t>(FList.size()); }
  // Null outside 0..Count - 1.
  const TMethod* Get(int32_t index) const;

protected:
  void Notification(TComponent* component, TOperation operation) override;

private:
  std::vector<TMethod*> FList;
};

class TNotifyEventList : public TCallBackList {
  RTL_CLASS(TNotifyEventList, TCallBackList)
public:
  using TCallBackList::TCallBackList;
  int32_t Add(const TNotifyEvent& event) { return TCallBackList::Add(event.ToMethod()); }
  void Remove(const TNotifyEvent& event) { TCallBackList::Remove(event.ToMethod()); }
  // A nil event outside the list.
  TNotifyEvent GetEvent(int32_t index) const;
};
