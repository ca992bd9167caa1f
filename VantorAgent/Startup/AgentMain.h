#pragma once

class AgentDelegate;

// The agent process's one delegate.
namespace AgentMain {

// Created on first use; lives until the process exits.
AgentDelegate& delegate();

} // namespace AgentMain
