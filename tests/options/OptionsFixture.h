// The options window over real settings (the compose fixture's account: prepaid, balance 100,
// three senders), a recording country-code library and recorded account requests.
#pragma once

#include "ComposeFixture.h"
#include "GuiTestEnv.h"
#include "common/FakeCountryCodes.h"
#include "options/CDlgOptions.h"
#include "options/CPageAccount.h"

#include <QPushButton>

#include <QApplication>
#include <QTimer>

#include <memory>
#include <string>
#include <vector>

namespace optionstest {

using guitest::WhenModal;

// Notes in `calls` which page's request reached the library or the core.
class RecordingCountries : public twtest::FakeCountryCodes {
public:
    explicit RecordingCountries(std::vector<std::string>& calls) : m_calls(calls) {}
    int SetHomeCountry(const std::string& name) override {
        m_calls.push_back("general: " + name);
        return FakeCountryCodes::SetHomeCountry(name);
    }

private:
    std::vector<std::string>& m_calls;
};

class OptionsTest : public composetest::ComposeTest {
protected:
    OptionsServices OptServices() {
        OptionsServices services;
        services.reg = &reg;
        services.countryCodes = &countries;
        services.manageTemplates = [this](QWidget*) {
            calls.push_back("templates");
            return true;
        };
        services.registerEx = [this] {
            calls.push_back(std::string("registerEx, button ") +
                            (options && options->AccountPage()->AccountButton()->isEnabled()
                                 ? "enabled"
                                 : "disabled"));
            return true;
        };
        services.changeAccountDetails = [this](const std::string& email) {
            calls.push_back("account: " + email);
            return true;
        };
        services.startWithDesktop = [this](bool enabled) {
            calls.push_back(std::string("display: ") + (enabled ? "on" : "off"));
            return true;
        };
        return services;
    }
    CDlgOptions& OpenOptions() {
        options = std::make_unique<CDlgOptions>(OptServices());
        options->show();
        guitest::Spin(5);
        return *options;
    }
    void TearDown() override {
        options.reset();
        ComposeTest::TearDown();
    }

    std::vector<std::string> calls;
    RecordingCountries countries{calls};
    std::unique_ptr<CDlgOptions> options;
};

} // namespace optionstest
