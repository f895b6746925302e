#include <gtest/gtest.h>

#include "GuiTest.h"
#include "app/MainFrame.h"

TEST(MainFrame, DefaultSizeGivesA400PixelView) {
  ClearSettings();
  CMainFrame* frame = CreateMainFrame();
  ASSERT_NE(frame, nullptr);
  CRect outer = frame->GetWindowRect();
  EXPECT_EQ(outer.Width(), 410);
  EXPECT_EQ(outer.Height(), 448);
  CRect client = frame->View().GetClientRect();
  EXPECT_EQ(client.Width(), 400);
  EXPECT_EQ(client.Height(), 400);
  frame->DestroyWindow();
}
