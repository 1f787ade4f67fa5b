// A unit whose source uses the other unit: headers alone make no circle.
class C {};
