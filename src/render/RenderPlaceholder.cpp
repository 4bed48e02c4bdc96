// Keeps the render library non-empty until its first painter exists.
namespace loopcraft::render {} // namespace loopcraft::render
