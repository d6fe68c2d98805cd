#include "Alert.h"
#include "MainThread.h"
#include <lang/Debug.h>
#include <mutex>
#include <set>

namespace pf
{

namespace
{

AlertPresenter s_presenter;

/** The alerts shown whose turn has not come yet. */
std::mutex s_waitingMutex;
std::set<AlertId> s_waiting;
AlertId s_lastId = 0;

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

AlertId showAlert(std::string const& title, std::string const& message, std::vector<std::string> const& buttons,
	std::function<void(int)> onChoice)
{
	AlertId id;
	{
		std::lock_guard<std::mutex> lock(s_waitingMutex);
		id = ++s_lastId;
		s_waiting.insert(id);
	}
	postToMainThread([id, title, message, buttons, onChoice]() {
		int choice = -1;
		if (withdrawAlert(id))
			choice = s_presenter ? s_presenter(title, message, buttons) : logAlert(title, message, buttons);
		if (choice < -1 || choice >= static_cast<int>(buttons.size()))
			choice = -1;
		if (onChoice)
			onChoice(choice);
	});
	return id;
}

bool withdrawAlert(AlertId id)
{
	std::lock_guard<std::mutex> lock(s_waitingMutex);
	return s_waiting.erase(id) != 0;
}

} // pf
