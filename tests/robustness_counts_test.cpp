// Counts at the edges of the preliminary forms and of AllocArray: a refusal,
// a message or a completed block, never a crash and never half a block.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <string>
#include <vector>

#include "framework/Form.h"
#include "journal/CTervoDoc.h"
#include "support/ScriptRun.h"

namespace mirto {
namespace {

struct Row {
  const char* name;
  const char* script;
};

// The dispatcher refuses these: "Illegal entry" and nothing else happens.
const Row kRefused[] = {
    {"negative group count pasted into a digits-only field", "command 32852\nok -5\n"},
    {"negative group count with a level", "command 32853\nok -1; 95%\n"},
    {"most negative int as a group count", "command 32853\nok -2147483648; 99%\n"},
    {"budget form with a negative count", "command 32857\nok -3; 100; 10\n"},
    {"cluster: no groups", "command 32863\nok 1000; 0; 0\n"},
    {"cluster: more sampled groups than groups", "command 32863\nok 1000; 5; 6\n"},
    {"cluster: no elements", "command 32864\nok 0; 5; 2; 95%\n"},
    {"cluster: negative groups, sampled groups at the limit of int", "command 32865\nok 1000; -9; 2147483647\n"},
    {"with replacement: empty population", "command 32896\nok 0; 0\n"},
    {"with replacement: sample larger than population", "command 32896\nok 10; 11\n"},
    {"with replacement: negative sample", "command 32929\nok 10; -1; 0.5\n"},
    {"with replacement: population at the limit of int, negative sample",
     "command 32928\nok 2147483647; -999999999; 95%\n"},
    {"without replacement: empty population", "command 32935\nok 0\n"},
    {"without replacement: no text for a population", "command 32935\nok \n"},
};

TEST(RobustCounts, RefusedCountsShowIllegalEntryAndAppendNothing) {
  for (const Row& row : kRefused) {
    SCOPED_TRACE(row.name);
    test::Session s;
    test::ScriptResult r = s.Run(row.script);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.messages, std::vector<std::string>{"Illegal entry"});
    EXPECT_TRUE(r.appended.empty());
    EXPECT_FALSE(s.doc.IsModified());
  }
}

// Counts at the limit of int that pass the dispatcher's checks (beyond it a
// whole-number field refuses them, tests/dispatch_test.cpp).
// What follows is the calculation's own business; with a count that large it
// can only fail to reserve its arrays or wait for the first row, and the
// script ends there: no block, and no message but those two kinds.
struct Saturating {
  const char* name;
  const char* script;
  int CTervoDoc::*member;
};

const Saturating kSaturating[] = {
    {"largest stratified group count with a level", "command 32853\nok 2147483647; 95%\n", &CTervoDoc::m_nGroups},
    {"largest stratified group count", "command 32852\nok 2147483647\n", &CTervoDoc::m_nGroups},
    {"largest count of the accuracy form", "command 32855\nok 2147483647; Total; 1; 95%\n", &CTervoDoc::m_nGroups},
    {"largest cluster sizes", "command 32863\nok 2147483647; 2147483647; 2147483647\n", &CTervoDoc::m_nSampledGroups},
    {"largest population and sample with replacement", "command 32896\nok 2147483647; 2147483647\n",
     &CTervoDoc::m_nSampleSize},
    {"largest population without replacement", "command 32935\nok 2147483647\n", &CTervoDoc::m_nPopSize},
};

TEST(RobustCounts, CountsAtTheLimitOfIntNeverLeaveHalfABlock) {
  for (const Saturating& row : kSaturating) {
    SCOPED_TRACE(row.name);
    test::Session s;
    test::ScriptResult r = s.Run(row.script);
    EXPECT_EQ(s.doc.*row.member, INT_MAX);
    EXPECT_TRUE(r.appended.empty());
    EXPECT_FALSE(s.doc.IsModified());
    for (const std::string& m : r.messages)
      EXPECT_TRUE(m == "Selection not coded." || m == "Memory allocation failure.") << m;
    if (r.status != 0) {
      EXPECT_EQ(r.status, 2);
      EXPECT_NE(r.err.find("the script ends while a form is open"), std::string::npos) << r.err;
    }
    // The session goes on: a later calculation still completes.
    test::ScriptResult next = s.Run("command 32810\nok 1000; 100; 50; 10; 95%\n");
    EXPECT_EQ(next.status, 0);
    ASSERT_FALSE(next.appended.empty());
    EXPECT_EQ(next.appended[0], "*********");
  }
}

TEST(RobustCounts, ClusterSizesAtTheLimitOfInt) {
  test::Session s;
  s.Run("command 32863\nok 2147483647; 3; 2\n");
  EXPECT_EQ(s.doc.m_dPopSize, static_cast<double>(INT_MAX));
  EXPECT_EQ(s.doc.m_dGroups, 3.0);
  EXPECT_EQ(s.doc.m_dSampledGroups, 2.0);
}

class MessageRecorder : public FormHost {
 public:
  bool ShowForm(Form&) override { return false; }
  void Message(std::string_view text) override { messages.emplace_back(text); }
  std::vector<std::string> messages;
};

TEST(RobustCounts, AllocArrayBeyondMemoryShowsTheMessageAndReturnsNothing) {
  MessageRecorder host;
  CTervoDoc doc(host);
  const long long physical = sysconf(_SC_PHYS_PAGES) * sysconf(_SC_PAGESIZE);
  for (long long count : {physical / 8 + 1, physical, LLONG_MAX - 1, LLONG_MAX}) {
    SCOPED_TRACE(count);
    host.messages.clear();
    EXPECT_FALSE(doc.AllocArray(count));
    EXPECT_EQ(host.messages, std::vector<std::string>{"Memory allocation failure."});
  }
  // Small counts, and counts below zero, give at least entry 0 without a message.
  host.messages.clear();
  for (long long count : {-5LL, 0LL, 1LL, 1000LL}) {
    DoubleArray block = doc.AllocArray(count);
    ASSERT_TRUE(block);
    for (long long i = 0; i <= std::max(count, 0LL); ++i) block[i] = static_cast<double>(i);
  }
  EXPECT_TRUE(host.messages.empty());
}

}  // namespace
}  // namespace mirto
