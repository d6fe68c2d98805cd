#pragma once

#include <framework/App.h>
#include <vector>

namespace framework
{

class AppController;
class MyEAGLView;

/**
 * Turns platform input into application input: touches into framework
 * touches (the first of them also plays the left mouse button), keys,
 * buttons and the wheel; and answers the rotation rules. Each handler does
 * nothing while there is no application object. Main thread only.
 */
class MyEAGLViewController
{
public:
	/** A platform touch: its identity and position in view points. */
	struct Touch
	{
		int32_t id;
		float x;
		float y;
	};

	/** controller and view must outlive this object. */
	MyEAGLViewController(AppController* controller, MyEAGLView* view, std::vector<int> const& allowedOrientations,
		float contentScale);

	/** Forgets the touch that plays the mouse. */
	void resetTouches();

	/** The context orientations allowed (a copy of the configuration's). */
	std::vector<int> const& allowedOrientations() const { return m_allowedOrientations; }

	/** The interface orientations this controller supports: 24 (the two landscape ones). */
	int supportedInterfaceOrientations() const;

	/**
	 * Whether to turn to interface orientation o (1..4): with an empty list
	 * only 3 and 4; else when the mapped orientation is listed.
	 */
	bool shouldAutorotateToInterfaceOrientation(int o) const;

	void touchesBegan(std::vector<Touch> const& touches);
	void touchesMoved(std::vector<Touch> const& touches);
	void touchesEnded(std::vector<Touch> const& touches);

	/** Like touchesEnded. */
	void touchesCancelled(std::vector<Touch> const& touches);

	/** A key or button went down: keyDown and the key flag, unless it is down already. */
	void keyPressed(App::KeyType key);

	/** A key or button went up: keyUp and the key flag, when it is down. */
	void keyReleased(App::KeyType key);

	/** The wheel turned n steps. */
	void wheel(int n);

	/** The touch that plays the mouse (0: none). */
	int32_t singleTouch() const { return m_hasSingleTouch ? m_singleTouch : 0; }
	bool hasSingleTouch() const { return m_hasSingleTouch; }

private:
	AppController* m_controller;
	[[maybe_unused]] MyEAGLView* m_view;
	bool m_contentScaleFactorSupported;
	float m_contentScale;
	std::vector<int> m_allowedOrientations;
	bool m_hasSingleTouch;
	int32_t m_singleTouch;

	TouchEvent toEvent(Touch const& t) const;
	void ended(std::vector<Touch> const& touches);
};

} // framework
