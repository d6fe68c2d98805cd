#include <support/TempFolder.h>
#include <io/detail/detail.h>
#include <pf/Alert.h>
#include <pf/DeviceID.h>
#include <pf/DeviceInfo.h>
#include <pf/Launcher.h>
#include <pf/Locale.h>
#include <pf/MainThread.h>
#include <util/HardwareAddress.h>
#include <util/SHA1.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <fstream>

namespace
{

TEST(DeviceServices, LanguagesFromTheEnvironment)
{
	struct Case
	{
		char const* language;
		char const* lang;
		std::vector<std::string> expected;
	} const cases[] = {
		{"fr:pt-PT:zh-Hans:zh-Hant", "", {"fr_FR", "pt_PT", "zh_CN", "zh_TW"}},
		{"", "pt_BR.UTF-8", {"pt_BR"}},
		{"", "C", {}},
		{"", "de_DE.UTF-8@euro", {"de_DE"}},
		{"EN", "fr_FR", {"en_EN"}},
	};
	for (Case const& c : cases)
	{
		setenv("LANGUAGE", c.language, 1);
		unsetenv("LC_ALL");
		unsetenv("LC_MESSAGES");
		setenv("LANG", c.lang, 1);
		EXPECT_EQ(c.expected, pf::Locale().getPreferedLanguages()) << c.language << " " << c.lang;
	}
}

TEST(DeviceServices, DeviceIdentifier)
{
	EXPECT_EQ("unavailable", pf::DeviceID::identifierFor(""));
	EXPECT_EQ("1D5EE313D50A7F8AEDF787B5A6C029EF09906C69", util::SHA1::hash(std::string("unavailable")));
	std::string const name = util::firstEthernetInterface();
	std::optional<util::HardwareAddress> const bytes = util::hardwareAddress(name);
	std::string const address = bytes ? util::hardwareAddressText(*bytes) : "";
	EXPECT_EQ(util::SHA1::hash(pf::DeviceID::identifierFor(address)), pf::DeviceID().getDeviceIDHash());
}

TEST(DeviceServices, SystemFacts)
{
	EXPECT_EQ("12", pf::DeviceInfo::versionFromOsRelease("NAME=\"Debian\"\nVERSION_ID=\"12\"\n"));
	EXPECT_EQ("3.19", pf::DeviceInfo::versionFromOsRelease("VERSION_ID=3.19\n"));
	EXPECT_EQ("", pf::DeviceInfo::versionFromOsRelease("NAME=x\n"));
	EXPECT_FALSE(pf::DeviceInfo().getOSVersion().empty());
	EXPECT_FALSE(pf::DeviceInfo().getModel().empty());
}

/** Recording stand-ins for xdg-open and xdg-mime first on PATH. */
class DeviceServicesLauncher : public ::testing::Test
{
protected:
	test::TempFolder bin;
	std::string m_path;

	DeviceServicesLauncher()
	{
		bin.write("xdg-open", "#!/bin/sh\nprintf '%s\\n' \"$@\" >> \"" + bin.path() + "/opened\"\n");
		bin.write("xdg-mime", "#!/bin/sh\necho \"$3\" >> \"" + bin.path() + "/asked\"\n"
			"[ \"$3\" = x-scheme-handler/known ] && echo known.desktop\nexit 0\n");
		chmod((bin / "xdg-open").c_str(), 0755);
		chmod((bin / "xdg-mime").c_str(), 0755);
		m_path = getenv("PATH");
		setenv("PATH", (bin.path() + ":" + m_path).c_str(), 1);
	}

	~DeviceServicesLauncher() override { setenv("PATH", m_path.c_str(), 1); }
};

TEST_F(DeviceServicesLauncher, OpensOnlyAddressesWithoutAShell)
{
	pf::Launcher launcher;
	std::string const url = "https://example.org/a b;$(touch " + bin / "x" + ")";
	EXPECT_TRUE(launcher.openURL(url));
	pf::Launcher::reapChildren(true);
	EXPECT_FALSE(launcher.openURL("-rf"));
	EXPECT_FALSE(launcher.openURL("no scheme"));
	EXPECT_FALSE(launcher.openURL(""));
	EXPECT_TRUE(launcher.sendEmail("me@example.org", "Hi & bye", "100%"));
	pf::Launcher::reapChildren(true);
	EXPECT_FALSE(std::ifstream(bin / "x").good()) << "no shell ran";
	EXPECT_EQ(url + "\nmailto:me@example.org?subject=Hi%20%26%20bye&body=100%25\n", bin.read("opened"));

	EXPECT_TRUE(launcher.canOpenProgram("http://"));
	EXPECT_TRUE(launcher.canOpenProgram("mailto:"));
	EXPECT_TRUE(launcher.canOpenProgram("known://"));
	EXPECT_FALSE(launcher.canOpenProgram("other://"));
	EXPECT_TRUE(launcher.canOpenProgram("known://x")) << "cached";
	EXPECT_EQ("x-scheme-handler/known\nx-scheme-handler/other\n", bin.read("asked"));
}

TEST(DeviceServices, MainThreadQueueAndAlerts)
{
	pf::clearMainThreadQueue();
	std::vector<int> order;
	pf::postToMainThread([&] { order.push_back(1); pf::postToMainThread([&] { order.push_back(3); }); });
	pf::postToMainThread([&] { throw 5; });
	pf::postToMainThread([&] { order.push_back(2); });
	EXPECT_THROW(pf::runMainThreadQueue(), int);
	EXPECT_EQ(2, pf::runMainThreadQueue()) << "the rest of the turn first, then what was queued";
	EXPECT_EQ((std::vector<int>{1, 2, 3}), order);

	int choice = 7;
	pf::showAlert("T", "M", {"OK"}, [&](int c) { choice = c; });
	pf::runMainThreadQueue();
	EXPECT_EQ(-1, choice) << "no presenter: logged, no choice";
	pf::setAlertPresenter([](std::string const&, std::string const&, std::vector<std::string> const&) { return 9; });
	pf::showAlert("T", "M", {"OK", "Later"}, [&](int c) { choice = c; });
	pf::runMainThreadQueue();
	EXPECT_EQ(-1, choice) << "an index out of range is no choice";
	pf::setAlertPresenter(nullptr);
}

TEST(DeviceServices, WithdrawnAlertsAreNotShown)
{
	pf::clearMainThreadQueue();
	std::vector<std::string> shown;
	pf::setAlertPresenter([&](std::string const& title, std::string const&, std::vector<std::string> const&) {
		shown.push_back(title);
		return 0;
	});
	std::vector<int> choices;
	pf::AlertId const first = pf::showAlert("first", "", {"OK"}, [&](int c) { choices.push_back(c); });
	pf::AlertId const second = pf::showAlert("second", "", {"OK"}, [&](int c) { choices.push_back(c); });
	EXPECT_NE(first, second);
	EXPECT_TRUE(pf::withdrawAlert(first));
	EXPECT_FALSE(pf::withdrawAlert(first)) << "once";
	pf::runMainThreadQueue();
	EXPECT_FALSE(pf::withdrawAlert(second)) << "already shown";
	EXPECT_EQ(std::vector<std::string>{"second"}, shown);
	EXPECT_EQ((std::vector<int>{-1, 0}), choices);
	pf::setAlertPresenter(nullptr);
}

} // namespace
