#pragma once

#include <TallySession.h>
#include <TallyViewController.h>

/**
 * Counts page views: put in front of a navigation or tab bar controller's
 * delegate, it passes every call on to the previous delegate (when that
 * implements it) and counts a page view in its own session whenever a new
 * screen is shown (did-show) or a tab selected (did-select). The session is
 * the one current at creation, also after a later one has become current.
 * Main thread only.
 */
class TallyPageViewDelegate : public TallyNavigationControllerDelegate, public TallyTabBarControllerDelegate
{
public:
	/**
	 * For a navigation or tab bar controller: a delegate with the current
	 * session and the controller's present delegate, made the controller's
	 * delegate and answered. Anything else (also null): none, nothing changes.
	 */
	static lang::Ptr<TallyPageViewDelegate> createDelegateOnTarget(TallyViewController* target);

	TallyPageViewDelegate(lang::Ptr<TallySession> const& session, lang::Ptr<lang::Object> const& delegate);

	bool implements(TallyNavigationControllerDelegate::Operation operation) const override;
	bool implements(TallyTabBarControllerDelegate::Operation operation) const override;

	void navigationControllerWillShowViewController(TallyNavigationController* navigationController, TallyViewController* viewController,
	                                                 bool animated) override;
	void navigationControllerDidShowViewController(TallyNavigationController* navigationController, TallyViewController* viewController,
	                                                bool animated) override;
	/** The previous delegate's answer, true without one that answers. */
	bool tabBarControllerShouldSelectViewController(TallyTabBarController* tabBarController, TallyViewController* viewController) override;
	void tabBarControllerDidSelectViewController(TallyTabBarController* tabBarController, TallyViewController* viewController) override;
	void tabBarControllerWillBeginCustomizingViewControllers(TallyTabBarController* tabBarController,
	                                                         TallyViewControllers const& viewControllers) override;
	void tabBarControllerWillEndCustomizingViewControllers(TallyTabBarController* tabBarController, TallyViewControllers const& viewControllers,
	                                                       bool changed) override;
	void tabBarControllerDidEndCustomizingViewControllers(TallyTabBarController* tabBarController, TallyViewControllers const& viewControllers,
	                                                      bool changed) override;

	lang::Ptr<lang::Object> const& delegate() const { return m_delegate; }
	void setDelegate(lang::Ptr<lang::Object> const& delegate) { m_delegate = delegate; }
	lang::Ptr<TallySession> const& session() const { return m_session; }
	void setSession(lang::Ptr<TallySession> const& session) { m_session = session; }

private:
	lang::Ptr<lang::Object> m_delegate;
	lang::Ptr<TallySession> m_session;

	/** The previous delegate as a navigation delegate that implements the operation, or null. */
	TallyNavigationControllerDelegate* previous(TallyNavigationControllerDelegate::Operation operation) const;
	TallyTabBarControllerDelegate* previous(TallyTabBarControllerDelegate::Operation operation) const;

	void countPage();
};
