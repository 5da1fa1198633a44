// info_queues_test.cpp - the three bounded queues: order, bound, refusals
// and their log lines.
#include "tests/support/core_fixture.h"

namespace {

using EventsTest = coretest::CoreTest;

struct QueueOps {
    short (*push)(const std::string&);
    short (*retrieve)(std::string&);
    const char* fullLine;
    const char* emptyTextLine;
    const char* emptyQueueLine;
};

const QueueOps kQueues[] = {
    {pushToErrorQueue, retrieveFromErrorQueue,
     "cqxlogics.pushToErrorQueue: Error: Max number of errors pushed to queue",
     "cqxlogics.pushToErrorQueue: Empty error text (dont save)",
     "retrieveFromErrorQueue: Queue is empty"},
    {pushToCashLevelWarningsQueue, retrieveFromCashLevelWarningsQueue,
     "pushToCashLevelWarningsQueue: Error: Max number of warnings pushed to queue",
     "pushToCashLevelWarningsQueue: Empty warning text (dont save)",
     "retrieveFromCashLevelWarningsQueue: Queue is empty"},
    {pushToCashSessionQueue, retrieveFromCashSessionQueue,
     "pushToCashSessionQueue: Error: Max number of sessions pushed to queue",
     "pushToCashSessionQueue: Empty session text (don't save)",
     "retrieveFromCashSessionQueue: Queue is empty"},
};

TEST_F(EventsTest, QueuesAreFirstInFirstOut) {
    for (const QueueOps& q : kQueues) {
        SCOPED_TRACE(q.emptyQueueLine);
        for (const char* text : {"one", "two", "three"}) EXPECT_EQ(0, q.push(text));
        std::string text = "untouched";
        for (const char* want : {"one", "two", "three"}) {
            EXPECT_EQ(0, q.retrieve(text));
            EXPECT_EQ(want, text);
        }
        EXPECT_EQ(3, q.retrieve(text));
        EXPECT_EQ("three", text);
        EXPECT_EQ(1u, errors(q.emptyQueueLine).size());
    }
}

TEST_F(EventsTest, QueuesHoldAHundredAndRefuseEmptyTexts) {
    for (const QueueOps& q : kQueues) {
        SCOPED_TRACE(q.fullLine);
        EXPECT_EQ(2, q.push(""));
        EXPECT_EQ(1u, errors(q.emptyTextLine).size());
        for (int i = 0; i < QX_QUEUE_CAPACITY; ++i) ASSERT_EQ(0, q.push(std::to_string(i)));
        EXPECT_EQ(2, q.push("101st"));
        EXPECT_EQ(2, q.push(""));  // full is reported before empty
        EXPECT_EQ(2u, logic(q.fullLine).size());
        EXPECT_EQ(1u, logic(q.emptyTextLine).size());
        std::string text;
        EXPECT_EQ(0, q.retrieve(text));
        EXPECT_EQ("0", text);
        EXPECT_EQ(0, q.push("new"));
        for (int i = 1; i < QX_QUEUE_CAPACITY; ++i) ASSERT_EQ(0, q.retrieve(text));
        EXPECT_EQ("99", text);
        EXPECT_EQ(0, q.retrieve(text));
        EXPECT_EQ("new", text);
    }
}

}  // namespace
