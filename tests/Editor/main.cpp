#include "common/TestSupport.h"

#include "ComposeMotionTest.h"
#include "ComposeRulesTest.h"
#include "ComposeViewTest.h"
#include "ComposeWidgetsTest.h"
#include "EditorWidgetTest.h"
#include "FormattingCommandsTest.h"
#include "ParagraphCommandsTest.h"
#include "RtfCodecTest.h"

#include <QApplication>

VESPERLOG_TEST_MAIN(QApplication, RtfCodecTest, FormattingCommandsTest, ParagraphCommandsTest, EditorWidgetTest,
                    ComposeRulesTest, ComposeWidgetsTest, ComposeViewTest, ComposeMotionTest)
