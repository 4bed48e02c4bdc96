// Keeps the gui library non-empty until its first window exists.
namespace loopcraft::gui {} // namespace loopcraft::gui
