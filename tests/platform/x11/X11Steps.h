#pragma once
// Drives the application's loop (and a menu's, when one is open) through a list of steps on the X11 backend:
// each step acts once its condition holds; a step that waits more than five seconds fails the test.

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <thread>
#include <vector>

#include "forms/Forms.h"
#include "winapi/X11Backend.h"

namespace x11steps {

struct Step {
  const char* name;
  std::function<bool()> ready;
  std::function<void()> act;
};

inline void RunSteps(const std::vector<Step>& steps) {
  size_t i = 0;
  auto due = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  Application->OnIdle = [&](TObject*, bool& done) {
    done = false;
    winapi::FlushX11Backend();
    if (i < steps.size() && steps[i].ready()) {
      steps[i].act();
      ++i;
      due = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    }
    if (i == steps.size()) {
      Application->Terminate();
      return;
    }
    if (std::chrono::steady_clock::now() > due) {
      ADD_FAILURE() << "step \"" << steps[i].name << "\" never became ready";
      Application->Terminate();
      return;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  };
  Application->Run();
  Application->OnIdle = nullptr;
}

}  // namespace x11steps
