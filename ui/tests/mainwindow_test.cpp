#include "Unit1.h"

#include <gtest/gtest.h>

TEST(MainWindow, OpensTitledQuindle)
{
    TForm1 form;
    form.show();
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Quindle"));
    EXPECT_TRUE(form.isVisible());
}
