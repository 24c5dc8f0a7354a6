#include "rtl/Units.h"

#include <algorithm>
#include <exception>

#include "rtl/SysUtils.h"
#include "rtl/System.h"

namespace {
// The started units in start order, and the units whose Start is running (to find cycles).
struct TUnitRegistry {
  std::vector<const TUnit*> Started;
  std::vector<const TUnit*> Starting;
};

TUnitRegistry& UnitRegistry() {
  // A plain function-local object: it holds only pointers to constant unit objects, so its destruction at
  // exit frees memory and touches nothing else.
  static TUnitRegistry registry;
  return registry;
}

bool Contains(const std::vector<const TUnit*>& list, const TUnit* unit) {
  return std::find(list.begin(), list.end(), unit) != list.end();
}

void StartOne(const TUnit* unit) {
  TUnitRegistry& r = UnitRegistry();
  if (Contains(r.Started, unit)) return;
  if (Contains(r.Starting, unit))
    throw EInvalidOperation(Format("The unit %s needs itself through the units it needs", {String(unit->Name)}));
  r.Starting.push_back(unit);
  try {
    for (const TUnit* need : unit->Needs) StartOne(need);
    if (unit->Start) unit->Start();
  } catch (...) {
    r.Starting.pop_back();
    throw;
  }
  r.Starting.pop_back();
  r.Started.push_back(unit);
}
}  // namespace

void StartUnits(std::initializer_list<const TUnit*> units) {
  for (const TUnit* unit : units) StartOne(unit);
}

void FinishUnits() {
  TUnitRegistry& r = UnitRegistry();
  std::exception_ptr first;
  while (!r.Started.empty()) {
    const TUnit* unit = r.Started.back();
    r.Started.pop_back();
    try {
      if (unit->Finish) unit->Finish();
    } catch (...) {
      if (!first) first = std::current_exception();
    }
  }
  if (first) std::rethrow_exception(first);
}

bool UnitStarted(const TUnit& unit) { return Contains(UnitRegistry().Started, &unit); }

std::vector<const TUnit*> StartedUnits() { return UnitRegistry().Started; }
