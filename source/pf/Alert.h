#pragma once

#include <functional>
#include <string>
#include <vector>

namespace pf
{

/**
 * Shows an alert and answers the index of the button chosen, or -1 when
 * none was (no display, dismissed). Called on the main thread between
 * frames; it may block until the user answers.
 */
typedef std::function<int(std::string const& title, std::string const& message, std::vector<std::string> const& buttons)> AlertPresenter;

/**
 * Installs the presenter of the alerts (the shell does, at start); null
 * returns to the default one, which logs "Alert: <title>: <message>" and
 * answers -1. Main thread only.
 */
void setAlertPresenter(AlertPresenter presenter);

/** Names one alert of showAlert, for withdrawAlert; never 0. */
typedef unsigned long AlertId;

/**
 * Shows an alert with title, message and buttons: at the next turn of the
 * main-thread queue (postToMainThread) the presenter shows it, then
 * onChoice (when set) receives the chosen index or -1. Any thread.
 * @return The alert's name for withdrawAlert.
 */
AlertId showAlert(std::string const& title, std::string const& message, std::vector<std::string> const& buttons,
	std::function<void(int)> onChoice = {});

/**
 * Withdraws the alert id when its turn has not come yet: it is not shown
 * and its onChoice receives -1 at that turn. Any thread.
 * @return False when the alert was already shown (or is being shown).
 */
bool withdrawAlert(AlertId id);

} // pf
