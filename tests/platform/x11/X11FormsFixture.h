#pragma once
// A test on the X11 backend with the component classes: skipped without an X server, otherwise the
// backend installed, the forms layer started and a peer connection for screenshots and synthetic input.
// Descendants free the units they started in FinalizeUnits, which runs after the forms layer is done and
// before the backend goes.

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

#include "X11Peer.h"
#include "forms/Forms.h"
#include "winapi/X11Backend.h"

namespace x11steps {

class FormsFixture : public ::testing::Test {
protected:
  void SetUp() override {
    display_ = std::getenv("VORN_X11_DISPLAY");
    if (!display_ || !*display_) GTEST_SKIP() << "no X server for the tests (VORN_X11_DISPLAY is not set)";
    peer_ = std::make_unique<x11peer::Peer>(display_);
    ASSERT_TRUE(peer_->Ok());
    ASSERT_TRUE(winapi::InstallX11Backend(display_));
    InitForms();
  }
  void TearDown() override {
    if (!peer_) return;
    DoneForms();
    FinalizeUnits();
    winapi::UninstallX11Backend();
    peer_.reset();
  }
  virtual void FinalizeUnits() {}

  const char* display_ = nullptr;
  std::unique_ptr<x11peer::Peer> peer_;
};

}  // namespace x11steps
