#include "Alert.h"
#include "MainThread.h"
#include <lang/Debug.h>

namespace pf
{

namespace
{

AlertPresenter s_presenter;

int logAlert(std::string const& title, std::string const& message, std::vector<std::string> const&)
{
	lang::Debug::printf("Alert: %s: %s\n", title.c_str(), message.c_str());
	return -1;
}

} // namespace

void setAlertPresenter(AlertPresenter presenter)
{
	s_presenter = std::move(presenter);
}

void showAlert(std::string const& title, std::string const& message, std::vector<std::string> const& buttons,
	std::function<void(int)> onChoice)
{
	postToMainThread([title, message, buttons, onChoice]() {
		int choice = s_presenter ? s_presenter(title, message, buttons) : logAlert(title, message, buttons);
		if (choice < -1 || choice >= static_cast<int>(buttons.size()))
			choice = -1;
		if (onChoice)
			onChoice(choice);
	});
}

} // pf
