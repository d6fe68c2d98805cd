#pragma once

#include <cstdint>
#include <string>
#include <vector>

/** A notice to the ad side that an ad state was reached: a GET of url, tried attempts times so far. */
struct TallyAdStateCallback
{
	std::string url;
	int64_t attempts = 0;

	bool operator==(TallyAdStateCallback const& other) const = default;
};

/**
 * The ad-state notices and the saved list of those still to be retried,
 * read from its file once and kept under one monitor. Any thread; no
 * operation throws (failures go to TallyUtil::handleException).
 */
class TallyAdStateCallbacks
{
public:
	static constexpr int MAX_AD_STATE_CALLBACKS = 100;
	static constexpr int MAX_AD_STATE_CALLBACK_ATTEMPTS = 5;

	/** Sends {url, 0} on a new agent thread. */
	static void asyncNotifyAdStateCompleted(std::string const& url);

	/** sendAdStateCompleted(callback, saveData) with saveData set while the saved list is not loaded yet. */
	static void sendAdStateCompleted(TallyAdStateCallback const& callback);

	/**
	 * GETs the callback's URL. A failure counts an attempt: at
	 * MAX_AD_STATE_CALLBACK_ATTEMPTS the callback is dropped, else it goes
	 * to the end of the saved list (written to its file when saveData).
	 * @return Whether the GET succeeded.
	 */
	static bool sendAdStateCompleted(TallyAdStateCallback const& callback, bool saveData);

	/** Sends the first 5 saved callbacks, then removes exactly those and writes the list. */
	static void sendSavedAdStateCallbacks();

	/**
	 * The saved callbacks, read from their file once; entries without a
	 * text "url" or a numeric "attempts" are dropped, a damaged file is
	 * deleted (debug lines say why).
	 */
	static std::vector<TallyAdStateCallback> savedAdStateCallbacks();

	/** Replaces the saved list and writes its file. */
	static void setSavedAdStateCallbacks(std::vector<TallyAdStateCallback> const& callbacks);

	/** Appends the callback, dropping the oldest beyond MAX_AD_STATE_CALLBACKS. */
	static void addToSavedAdStateCallbacks(TallyAdStateCallback const& callback);

	/** Trims the list to MAX_AD_STATE_CALLBACKS from the front. */
	static std::vector<TallyAdStateCallback>& removeOldAdStateCallbacksIfNecessary(std::vector<TallyAdStateCallback>& callbacks);

	/** Removes the first equal callback from the saved list. */
	static void removeAdStateCallbackIfExists(TallyAdStateCallback const& callback);

	/** Forgets the loaded list: the next use reads the file again (tests). */
	static void forgetSavedAdStateCallbacks();
};
