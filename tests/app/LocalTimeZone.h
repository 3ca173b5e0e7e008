#pragma once

#include <stdlib.h>
#include <time.h>

#include <optional>
#include <string>

#include "tests/support/TestEnvironment.h"

namespace testsupport {

// Runs each test in a fixed time zone, given as a POSIX rule so that no zone database is needed.
// Berlin: UTC+1, summer time (UTC+2) from the last Sunday of March 02:00 to the last Sunday of October
// 03:00.
class LocalTimeZoneTest : public KestruneTest {
protected:
    static constexpr const char* kBerlin = "CET-1CEST,M3.5.0,M10.5.0/3";
    static constexpr const char* kNewYork = "EST5EDT,M3.2.0,M11.1.0";

    void SetUp() override {
        KestruneTest::SetUp();
        if (const char* previous = getenv("TZ")) previousZone_ = previous;
        useZone(kBerlin);
    }

    void TearDown() override {
        if (previousZone_) {
            setenv("TZ", previousZone_->c_str(), 1);
        } else {
            unsetenv("TZ");
        }
        tzset();
        KestruneTest::TearDown();
    }

    static void useZone(const char* zone) {
        setenv("TZ", zone, 1);
        tzset();
    }

private:
    std::optional<std::string> previousZone_;
};

}  // namespace testsupport
