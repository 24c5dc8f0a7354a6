#pragma once
// Units: the start-up and shut-down of the libraries' process-wide state.
//
// A unit is code that must run once before its classes are used (registering classes, making the objects
// the whole process shares) and once after the last use (freeing them again). Each unit declares itself
// once, as a constant object naming the units it needs:
//
//   // cxEdit.h
//   extern const TUnit cxEditUnit;
//   // cxEditInit.cpp
//   constinit const TUnit cxEditUnit{"cxEdit", {&cxControlsUnit, &cxDataUnit}, &StartEdit, &FinishEdit};
//
// The object is constant-initialised: no static constructor runs, nothing registers itself before main.
// The program (and each test executable) starts the units it uses with one call, StartUnits, which starts
// every unit after the units it needs, each once; one call, FinishUnits, finishes them in the reverse order
// they were started, before the window system goes away. Nothing is started or freed behind the caller's back
// by a static destructor.
//
// A unit keeps its mutable state in one state object of its own (TUnitState below), made by its Start and
// freed by its Finish, so that a finished unit leaves nothing behind and a restarted one starts clean.
//
// Units run on the main thread only; the registry is not synchronised.
#include <initializer_list>
#include <memory>
#include <vector>

struct TUnit {
  const char* Name;
  std::initializer_list<const TUnit*> Needs;
  void (*Start)();   // may be null
  void (*Finish)();  // may be null
};

// Starts each unit in `units` and, before it, every unit it needs (depth first, in the order they are
// named), skipping units already started. A unit whose Start throws is not counted as started and the
// exception goes to the caller; the units started before it stay started (FinishUnits finishes them).
// A circular dependency raises EInvalidOperation naming the unit, before that unit starts.
void StartUnits(std::initializer_list<const TUnit*> units);
// Finishes every started unit in the reverse order of starting. An exception from one Finish is
// remembered, the remaining units are still finished, and the first exception is raised at the end.
void FinishUnits();
bool UnitStarted(const TUnit& unit);
// The started units, in the order they were started (tests and diagnostics).
std::vector<const TUnit*> StartedUnits();

// The state object of one unit: made in the unit's Start, freed in its Finish. Reading it while the unit
// is not started is a programming error (an assertion in the checked build; the pointer is null).
template <class T>
class TUnitState {
public:
  constexpr TUnitState() = default;
  TUnitState(const TUnitState&) = delete;
  TUnitState& operator=(const TUnitState&) = delete;

  template <class... Args>
  T& Create(Args&&... args) {
    FState = std::make_unique<T>(static_cast<Args&&>(args)...);
    return *FState;
  }
  void Free() { FState.reset(); }
  bool Exists() const { return FState != nullptr; }
  T* Get() const { return FState.get(); }
  T* operator->() const { return FState.get(); }
  T& operator*() const { return *FState; }

private:
  std::unique_ptr<T> FState;
};
