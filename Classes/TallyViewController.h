#pragma once

#include <lang/Object.h>
#include <lang/Ptr.h>
#include <string>
#include <vector>

// The screens of an application as far as the agent counts page views: a
// small stand-in for the platform's view controllers. The controllers call
// their delegate only for operations it says it implements. Main thread only.

class TallyNavigationController;
class TallyTabBarController;

/** One screen, known by its title. */
class TallyViewController : public virtual lang::Object
{
public:
	explicit TallyViewController(std::string title = "") : m_title(std::move(title)) {}

	std::string const& title() const { return m_title; }

private:
	std::string m_title;
};

using TallyViewControllers = std::vector<lang::Ptr<TallyViewController>>;

/** What a navigation controller tells its delegate. */
class TallyNavigationControllerDelegate : public virtual lang::Object
{
public:
	enum Operation
	{
		WILL_SHOW,
		DID_SHOW,
	};

	/** Whether the delegate implements the operation (only those are called). */
	virtual bool implements(Operation operation) const = 0;

	virtual void navigationControllerWillShowViewController(TallyNavigationController* navigationController, TallyViewController* viewController,
	                                                         bool animated);
	virtual void navigationControllerDidShowViewController(TallyNavigationController* navigationController, TallyViewController* viewController,
	                                                        bool animated);
};

/** What a tab bar controller tells its delegate. */
class TallyTabBarControllerDelegate : public virtual lang::Object
{
public:
	enum Operation
	{
		SHOULD_SELECT,
		DID_SELECT,
		WILL_BEGIN_CUSTOMIZING,
		WILL_END_CUSTOMIZING,
		DID_END_CUSTOMIZING,
	};

	/** Whether the delegate implements the operation (only those are called). */
	virtual bool implements(Operation operation) const = 0;

	/** Whether the tab may be selected (true unless overridden). */
	virtual bool tabBarControllerShouldSelectViewController(TallyTabBarController* tabBarController, TallyViewController* viewController);
	virtual void tabBarControllerDidSelectViewController(TallyTabBarController* tabBarController, TallyViewController* viewController);
	virtual void tabBarControllerWillBeginCustomizingViewControllers(TallyTabBarController* tabBarController,
	                                                                 TallyViewControllers const& viewControllers);
	virtual void tabBarControllerWillEndCustomizingViewControllers(TallyTabBarController* tabBarController,
	                                                               TallyViewControllers const& viewControllers, bool changed);
	virtual void tabBarControllerDidEndCustomizingViewControllers(TallyTabBarController* tabBarController,
	                                                              TallyViewControllers const& viewControllers, bool changed);
};

/** A stack of screens; showing one tells the delegate before and after. */
class TallyNavigationController : public TallyViewController
{
public:
	using TallyViewController::TallyViewController;

	lang::Ptr<TallyNavigationControllerDelegate> const& delegate() const { return m_delegate; }
	void setDelegate(lang::Ptr<TallyNavigationControllerDelegate> const& delegate) { m_delegate = delegate; }

	/** Shows the screen on top: will-show, then did-show. */
	void pushViewController(TallyViewController* viewController, bool animated);

private:
	lang::Ptr<TallyNavigationControllerDelegate> m_delegate;
};

/** Tabs of screens; selecting one asks the delegate first. */
class TallyTabBarController : public TallyViewController
{
public:
	using TallyViewController::TallyViewController;

	lang::Ptr<TallyTabBarControllerDelegate> const& delegate() const { return m_delegate; }
	void setDelegate(lang::Ptr<TallyTabBarControllerDelegate> const& delegate) { m_delegate = delegate; }

	/** Asks should-select; when allowed, selects and tells did-select. @return Whether it was selected. */
	bool selectViewController(TallyViewController* viewController);

	/** Tells the three customising steps (will begin, will end, did end). */
	void customizeViewControllers(TallyViewControllers const& viewControllers, bool changed);

private:
	lang::Ptr<TallyTabBarControllerDelegate> m_delegate;
};
