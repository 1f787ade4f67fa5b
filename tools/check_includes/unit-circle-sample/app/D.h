// The other unit, whose source uses the first: the two units form a circle.
class D {};
