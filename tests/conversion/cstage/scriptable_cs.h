// SPDX-License-Identifier: Apache-2.0
// Installs the scriptable Collaborative Stage double as the bound library for
// the duration of a test.
#pragma once

#include <gtest/gtest.h>

#include "cs_entry_points.h"
#include "cstage0205_scriptable.h"

namespace vexlin::test {

CsEntryPoints scriptable_entry_points();

class ScriptableCsTest : public ::testing::Test {
protected:
    void SetUp() override {
        cstage_scriptable::reset();
        saved_ = cs_entry_points();
        set_cs_entry_points(scriptable_entry_points());
    }
    void TearDown() override {
        set_cs_entry_points(saved_);
        cstage_scriptable::reset();
    }

private:
    CsEntryPoints saved_;
};

}  // namespace vexlin::test
