#pragma once

/** Number of operator new calls in the process so far (this benchmark program replaces operator new). */
long allocationCount();
