#pragma once

#include <decomp/b2Polygon.h>
#include <box2d/b2_body.h>
#include <box2d/b2_fixture.h>

namespace decomp
{

/**
 * Where DecomposeConvexAndAddTo puts its pieces: the owner of the body makes
 * the fixtures, so that its own checks and rules apply to every piece.
 */
class PieceSink
{
public:
	virtual ~PieceSink() = default;

	/**
	 * Makes one fixture of piece (convex, counter-clockwise, 3 to 8 points
	 * that passed b2Polygon::IsUsable) on body, with the settings of
	 * prototype (density, friction, restitution, sensor flag, filter, user
	 * data; its shape is not used). Returns false when the piece is refused
	 * and no fixture was made.
	 */
	virtual bool addPiece(b2Body* body, b2Polygon const& piece, b2FixtureDef const& prototype) = 0;
};

} // decomp
