#include "AppActivationListeners.h"

namespace framework
{

std::vector<AppActivationListener*> AppActivationListeners::s_listeners;

} // framework
